// The disks the boot disk page offers, read from the machine as it is now, and the checks
// that the disk about to be formatted is still the one the user chose and none the
// program must keep (the running Windows, the program itself, the tool and its archive).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/seam.h"

namespace boot_disk {

// What the system says a disk is, from its bus and its media.
enum class DiskKind { Unknown, Usb, MemoryCard, Removable, Fixed };

// What the page knew of a disk when it listed it.
struct DiskIdentity {
  int disk = -1;
  bool lengthKnown = false;
  int64_t length = 0;
  bool storageKnown = false;
  StorageFacts storage;     // bus, removable media and serial number
  std::wstring size;        // "%0.2fGB", as the entry shows it
  std::wstring letters;     // "H: I: ", as the entry shows it
};

DiskKind KindOf(const DiskIdentity& disk);
// The largest disk the page takes for a boot stick by itself: sticks are sold up to
// 128 GB (about 119 GiB as Windows counts), while USB hard disks and SSDs, which hold
// people's backups, start above that. Whether the media is removable tells neither:
// fast sticks answer as fixed media and some USB disk bridges as removable.
constexpr int64_t kLargestStick = 128ll << 30;
// A USB, memory-card or removable disk of a known size no larger than kLargestStick.
bool LooksLikeStick(const DiskIdentity& disk);
// The type text of a device entry: "USB磁盘", "存储卡", "可移动磁盘", "固定磁盘" or "未知".
std::wstring KindText(DiskKind kind);

// One entry of the device combo and the disk behind it.
struct DeviceChoice {
  std::wstring entry;
  DiskIdentity identity;
};

// Every disk of the machine now, in disk-number order, from a disk model of its own:
// the program's model, whose lists other pages and worker threads read, is left as it is.
std::vector<DeviceChoice> ReadDeviceChoices();
// The entry the page may choose by itself: the one disk that looks like a stick (never
// HD0) and holds neither the running Windows nor the program; empty when there is not
// exactly one. A fixed disk, or a USB disk larger than a stick, is never chosen for the user.
std::wstring PreselectedEntry(const std::vector<DeviceChoice>& choices);
// Their entry texts, or the single placeholder entry when there is none.
std::vector<std::wstring> EntriesOf(const std::vector<DeviceChoice>& choices);
// The choice listed under this entry text; nullptr when none is.
const DeviceChoice* ChoiceOfEntry(const std::vector<DeviceChoice>& choices, const std::wstring& entry);
// After the list was read again: the entry to select for the one selected before.
// The same text, or the same disk that only changed its letters; empty when that disk
// is gone (nothing is selected then, so that no other disk is chosen unseen).
std::wstring EntryToKeep(const std::vector<DeviceChoice>& before, const std::wstring& selected,
                         const std::vector<DeviceChoice>& now);

// Reads the disk again and says why it must not be written: it is gone or another disk
// now has its number (size, bus, removable media, serial number or letters differ), or
// it holds the running Windows, the program, one of `tools` (the tool and archive to be
// used) or one of `copies` (what the make copies onto it after the format).
// Empty when it may be written.
std::wstring DiskRefusal(const DiskIdentity& chosen, const std::vector<std::wstring>& tools,
                         const std::vector<std::wstring>& copies = {});

// A lettered volume as the make saw it before the format: its volume name and the serial
// number its file system was given when it was formatted.
struct VolumeStamp {
  std::wstring name;            // VolumeGuidPath
  bool serialKnown = false;
  uint32_t serial = 0;
};
// The lettered volumes on the disk now.
std::vector<VolumeStamp> VolumesOnDisk(int disk);
// The first drive letter ("H:") whose volume lies on the disk, can be read and is none
// of `old`: its volume name is new, or its file system's serial number differs from the
// one the volume of that name had. Windows gives a stick made again at the same size the
// volume name it had before; only the file system written by the format is new then.
// Empty when there is none now.
std::wstring NewVolumeOnDisk(int disk, const std::vector<VolumeStamp>& old);

}  // namespace boot_disk
