// The simulated machine of the end-to-end build: disks, partitions and volumes read
// from a small description file, answered as Windows answers the disk I/O controls.
//
// Description file (UTF-8 text; '#' starts a comment; sizes take K, M, G or T, binary):
//
//   disk mbr 500G [signature=0x1A2B3C4D] [no-length] [usb] [removable]
//     part 1 100G letter=C: [type=0x07] [boot]      a primary slot
//       [label="A""B"]                              its volume's label ("" is one quote)
//     extended 300G                                 the container of the logical partitions
//     logical 5 150G letter=D:                      a partition in the extended chain
//     empty                                         an empty primary slot
//   disk gpt 1T
//     part 1 100M type=efi name="EFI system partition"
//     part 2 16M type=msr name="Microsoft reserved partition"
//     part 3 900G letter=E: [type=basic|recovery]
//   disk raw 8G [usb] [removable]
//   disk unreadable            opens, but its layout cannot be read (error 50)
//   (usb: on the USB bus; removable: removable media; a disk is fixed, SATA, otherwise)
//   disk missing               \\.\PhysicalDriveN does not open: a gap in the numbers
//   firmware uefi|bios         how Windows was started (otherwise the real answer)
//
// Disks are numbered from 0 in file order. Partition numbers are written out, as
// Windows gives them. A letter's volume answers with the disk and partition number of
// its partition and the disk's partition style; a letter described nowhere answers as a
// volume that does not open. Everything else of a volume (file system, free space, icon,
// a label not given) is the real drive's.
//
// This file is portable: no <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drive_layout.h"

namespace sim {

enum class Style { Mbr = 0, Gpt = 1, Raw = 2 };
enum class SlotKind { Partition, Extended, Logical, Empty };

struct Slot {
  SlotKind kind = SlotKind::Partition;
  uint32_t number = 0;
  uint64_t length = 0;
  std::wstring letter;   // "C:", or empty
  std::string type;      // MBR: a byte in hex ("0x07"); GPT: efi, msr, basic, recovery
  std::wstring name;     // GPT partition name
  bool boot = false;
  bool labelled = false;
  std::wstring label;
};

struct Disk {
  enum class State { Present, Unreadable, Missing } state = State::Present;
  Style style = Style::Mbr;
  uint64_t length = 0;
  bool lengthFails = false;
  uint32_t signature = 0;
  bool usb = false;
  bool removable = false;
  std::vector<Slot> slots;   // in file order
};

struct VolumeAnswer {
  bool found = false;
  uint32_t disk = 0;
  uint32_t partition = 0;
  Style style = Style::Mbr;
  bool labelled = false;   // as its slot describes it
  std::wstring label;
};

class Machine {
 public:
  // Reads a description; false and a message naming the line on a mistake.
  bool Parse(const std::string& text, std::string* error);

  const std::vector<Disk>& disks() const { return disks_; }
  // "\\.\PhysicalDriveN" opens.
  bool DiskOpens(int disk) const;
  // The IOCTL_DISK_GET_DRIVE_LAYOUT_EX answer: the whole DRIVE_LAYOUT_INFORMATION_EX,
  // laid out as Windows lays it out. False with error 50 for an unreadable disk.
  bool Layout(int disk, std::vector<uint8_t>* bytes, uint32_t* error) const;
  bool Length(int disk, int64_t* length) const;
  VolumeAnswer Volume(const std::wstring& letter) const;

  // The answers behind the seam, in its terms (platform/seam.h). A layout that does not
  // fit bufferSize fails with ERROR_INSUFFICIENT_BUFFER (122), as Windows fails it.
  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) const;
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) const;
  bool VolumePartitionStyle(const std::wstring& volume, int* style) const;
  bool DiskStorageFacts(int disk, StorageFacts* facts) const;

  // 1 UEFI, 0 BIOS, -1 not described.
  int firmwareUefi() const { return firmwareUefi_; }

 private:
  bool ParseLines(const std::string& text, std::string* error);
  std::vector<Disk> disks_;
  int firmwareUefi_ = -1;
};

}  // namespace sim
