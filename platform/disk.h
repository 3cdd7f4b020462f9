// CDisk: the program's picture of the machine's disks, partitions and drive letters.
//
// One instance, TheDisk(), is built during static initialisation and filled once;
// nothing refreshes it afterwards, so the pages and worker threads that read its lists
// directly, in list order, never see them change under them (foundPaths belongs to the
// GHO search dialog). Code that must see the machine as it is now builds a CDisk of its
// own (the boot disk page, after a device change and right before it formats).
// The small shell icons of the lettered volumes are kept by the seam (AddVolumeIcon);
// on Windows the image list is VolumeImageList() of platform/seam_win.h.
#pragma once

#include <functional>
#include <list>
#include <string>

#include "platform/drive_layout.h"
#include "platform/seam.h"

// One partition of one physical disk.
struct _PARTITIONS {
  std::wstring letter;        // "C:"; empty when the partition has no drive letter
  std::wstring label;         // "本地磁盘" for a volume without label; empty without letter
  std::wstring type;          // always "未知"
  std::wstring fileSystem;    // "NTFS"...; empty without letter
  std::wstring ghostNumber;   // "%d:%d" (disk + 1, ordinal on the disk); empty when not counted
  std::wstring size;          // "%.2f GB"
  std::wstring freeSpace;     // "%.2f GB" of the volume's free bytes; empty without letter
  int diskIndex = 0;          // N of \\.\PhysicalDriveN
  int partitionNumber = 0;    // Windows' partition number, from 1
  int icon = 0;               // index in the volume image list; -1 without letter
  PartitionInfoEx layout;     // the layout entry as Windows returned it
};

// One physical disk.
struct _DEVICE {
  int diskIndex = 0;
  std::wstring size;          // "%0.2fGB"; empty when the length is unknown
  std::wstring letters;       // "C: D: " (each letter followed by a blank); empty when none
  std::wstring type;          // always "未知"
};

// One drive letter.
struct _PARTITION_LOGICAL {
  int diskIndex = -1;         // STORAGE_DEVICE_NUMBER.DeviceNumber; -1 when the volume did not open
  int partitionNumber = -1;   // STORAGE_DEVICE_NUMBER.PartitionNumber; -1 likewise
  std::wstring letter;        // "C:"
};

class CDisk {
 public:
  // Reads the machine through the seam in use (Refresh). A model of one's own that
  // nothing shows with icons leaves the volume image list alone.
  explicit CDisk(bool volumeIcons = true);
  virtual ~CDisk();

  // Rebuilds the partition, device and logical-drive lists from the seam in use.
  void Refresh();
  std::wstring GetPartitionLetter(int partitionNumber, int diskIndex) const;
  // A copy of the first matching record; a record of empty strings and zeros when none.
  _PARTITIONS GetPartition(int partitionNumber, int diskIndex) const;
  // By the letter text exactly as written ("C:"; "c:" does not match "C:").
  _PARTITIONS GetPartitionByLetter(const std::wstring& letter) const;

  std::list<_PARTITIONS> partitions;
  std::list<_DEVICE> devices;
  std::list<_PARTITION_LOGICAL> logicalDrives;
  std::list<std::wstring> foundPaths;   // written and read by the GHO search dialog only

 private:
  void ReadLogicalDrives();
  void ReadDisk(int disk);

  bool volumeIcons_;
};

// The program's one model. The program defines it in platform/disk_instance.cpp as an
// object built during static initialisation; the unit tests define their own.
CDisk& TheDisk();

// Asked of Windows at every call, not of the model.
bool GetVolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number);
bool GetVolumePartitionStyle(const std::wstring& volume, int* style);   // 0 MBR, 1 GPT, 2 RAW
// The MBR partition type of a volume, from its disk's layout; false when it cannot be read.
bool GetVolumeMbrType(const std::wstring& volume, uint8_t* type);
// \\.\PhysicalDriveN that open, in number order, past gaps in the numbers (bounded).
void ForEachPhysicalDrive(const std::function<void(int)>& visit);
int CountPhysicalDrives();
