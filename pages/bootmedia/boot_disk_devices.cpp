// The boot disk page's disks: read from the machine now, kept across a new reading, and
// checked again right before a format.
#include "pages/bootmedia/boot_disk_devices.h"

#include <algorithm>

#include "pages/bootmedia/boot_disk_actions.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/system.h"

namespace boot_disk {

namespace {

bool SameDisk(const DiskIdentity& a, const DiskIdentity& b) {
  return a.disk == b.disk && a.lengthKnown == b.lengthKnown && (!a.lengthKnown || a.length == b.length) &&
         a.storageKnown == b.storageKnown &&
         (!a.storageKnown || (a.storage.busType == b.storage.busType &&
                              a.storage.removableMedia == b.storage.removableMedia &&
                              a.storage.serial == b.storage.serial &&
                              a.storage.instancePath == b.storage.instancePath)) &&
         a.letters == b.letters;
}

constexpr uint32_t kBusUsb = 7, kBusSd = 12, kBusMmc = 13;

// The physical disk of the volume a path lies on; -1 when it lies on none (a share) or
// the volume does not answer.
int DiskOfPath(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return -1;
  StorageDeviceNumber number;
  if (!GetVolumeDeviceNumber(path.substr(0, 2), &number)) return -1;
  return static_cast<int>(number.deviceNumber);
}

// What must stay on a disk that the make formats: the running Windows, the program.
bool HoldsSystemOrProgram(int disk) {
  return DiskOfPath(GetSystemDrive()) == disk || DiskOfPath(GetModuleFolder()) == disk;
}

}  // namespace

DiskKind KindOf(const DiskIdentity& disk) {
  if (!disk.storageKnown) return DiskKind::Unknown;
  if (disk.storage.busType == kBusUsb) return DiskKind::Usb;
  if (disk.storage.busType == kBusSd || disk.storage.busType == kBusMmc) return DiskKind::MemoryCard;
  return disk.storage.removableMedia ? DiskKind::Removable : DiskKind::Fixed;
}

bool LooksLikeStick(const DiskIdentity& disk) {
  DiskKind kind = KindOf(disk);
  if (kind == DiskKind::Fixed || kind == DiskKind::Unknown) return false;
  return disk.lengthKnown && disk.length > 0 && disk.length <= kLargestStick;
}

std::wstring KindText(DiskKind kind) {
  switch (kind) {
    case DiskKind::Usb: return L"USB磁盘";
    case DiskKind::MemoryCard: return L"存储卡";
    case DiskKind::Removable: return L"可移动磁盘";
    case DiskKind::Fixed: return L"固定磁盘";
    case DiskKind::Unknown: break;
  }
  return L"未知";
}

std::vector<DeviceChoice> ReadDeviceChoices() {
  CDisk now(false);
  std::vector<DeviceChoice> choices;
  for (_DEVICE device : now.devices) {
    DeviceChoice choice;
    DiskIdentity& id = choice.identity;
    id.disk = device.diskIndex;
    id.lengthKnown = TheSeam().DiskLength(device.diskIndex, &id.length);
    id.storageKnown = TheSeam().DiskStorageFacts(device.diskIndex, &id.storage);
    id.size = device.size;
    id.letters = device.letters;
    device.type = KindText(KindOf(id));
    choice.entry = DeviceEntryText(device);
    choices.push_back(choice);
  }
  std::stable_sort(choices.begin(), choices.end(),
                   [](const DeviceChoice& a, const DeviceChoice& b) { return a.identity.disk < b.identity.disk; });
  return choices;
}

std::wstring PreselectedEntry(const std::vector<DeviceChoice>& choices) {
  std::wstring only;
  int found = 0;
  for (const DeviceChoice& choice : choices) {
    if (!LooksLikeStick(choice.identity) || choice.identity.disk <= 0) continue;
    if (HoldsSystemOrProgram(choice.identity.disk)) continue;
    only = choice.entry;
    ++found;
  }
  return found == 1 ? only : std::wstring();
}

std::vector<std::wstring> EntriesOf(const std::vector<DeviceChoice>& choices) {
  std::vector<std::wstring> entries;
  for (const DeviceChoice& choice : choices) entries.push_back(choice.entry);
  if (entries.empty()) entries.emplace_back(kNoDevice);
  return entries;
}

const DeviceChoice* ChoiceOfEntry(const std::vector<DeviceChoice>& choices, const std::wstring& entry) {
  for (const DeviceChoice& choice : choices)
    if (choice.entry == entry) return &choice;
  return nullptr;
}

std::wstring EntryToKeep(const std::vector<DeviceChoice>& before, const std::wstring& selected,
                         const std::vector<DeviceChoice>& now) {
  if (ChoiceOfEntry(now, selected)) return selected;
  const DeviceChoice* was = ChoiceOfEntry(before, selected);
  if (!was) return std::wstring();
  for (const DeviceChoice& choice : now) {
    DiskIdentity lettersAside = choice.identity;
    lettersAside.letters = was->identity.letters;
    if (SameDisk(was->identity, lettersAside)) return choice.entry;
  }
  return std::wstring();
}

std::wstring DiskRefusal(const DiskIdentity& chosen, const std::vector<std::wstring>& tools,
                         const std::vector<std::wstring>& copies) {
  const int disk = chosen.disk;
  const DeviceChoice* now = nullptr;
  std::vector<DeviceChoice> choices = ReadDeviceChoices();
  for (const DeviceChoice& choice : choices)
    if (choice.identity.disk == disk) now = &choice;
  if (!now || !SameDisk(chosen, now->identity))
    return Format(L"设备(HD%d)已经改变或被拔出，请重新选择设备！", disk);
  if (DiskOfPath(GetSystemDrive()) == disk)
    return Format(L"设备(HD%d)上有正在运行的Windows，禁止对其进行操作！", disk);
  if (DiskOfPath(GetModuleFolder()) == disk) return Format(L"设备(HD%d)上有本程序，禁止对其进行操作！", disk);
  for (const std::wstring& path : tools)
    if (DiskOfPath(path) == disk) return Format(L"设备(HD%d)上有制作工具或存档，禁止对其进行操作！", disk);
  // The format would wipe what the make is about to copy onto the disk.
  for (const std::wstring& path : copies)
    if (DiskOfPath(path) == disk)
      return Format(L"要拷贝到启动盘的%s就在设备(HD%d)上，格式化会把它清除！请先把它移到别的磁盘。", path, disk);
  return std::wstring();
}

namespace {

VolumeStamp StampOf(const std::wstring& root) {
  VolumeStamp stamp;
  stamp.name = TheSeam().VolumeGuidPath(root);
  stamp.serialKnown = TheSeam().VolumeSerialNumber(root, &stamp.serial);
  return stamp;
}

// The same file system under the same name: an old volume still mounted. A volume
// whose file system could not be read before the format is new once it reads.
bool SameVolume(const VolumeStamp& was, const VolumeStamp& now) {
  return was.name == now.name && was.serialKnown && now.serialKnown && was.serial == now.serial;
}

}  // namespace

std::vector<VolumeStamp> VolumesOnDisk(int disk) {
  CDisk now(false);
  std::vector<VolumeStamp> stamps;
  for (const _PARTITION_LOGICAL& logical : now.logicalDrives) {
    if (logical.diskIndex != disk) continue;
    VolumeStamp stamp = StampOf(logical.letter + L"\\");
    if (!stamp.name.empty()) stamps.push_back(stamp);
  }
  return stamps;
}

std::wstring NewVolumeOnDisk(int disk, const std::vector<VolumeStamp>& old) {
  CDisk now(false);
  for (const _PARTITION_LOGICAL& logical : now.logicalDrives) {
    if (logical.diskIndex != disk) continue;
    std::wstring root = logical.letter + L"\\";
    // A volume without a name cannot be told from the one the format replaced.
    const VolumeStamp stamp = StampOf(root);
    if (stamp.name.empty() ||
        std::any_of(old.begin(), old.end(), [&](const VolumeStamp& was) { return SameVolume(was, stamp); }))
      continue;
    std::wstring label, fileSystem;
    // A volume that is still going away, or not yet mounted, does not read.
    uint64_t free = 0;
    if (TheSeam().VolumeInformation(root, &label, &fileSystem) && TheSeam().FreeBytes(root, &free))
      return logical.letter;
  }
  return std::wstring();
}

}  // namespace boot_disk
