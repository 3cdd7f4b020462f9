// The disk model: physical disks and their layouts, drive letters and volume facts, read once.
#include "platform/disk.h"

#include <cstdio>

#include "platform/format.h"

namespace {

// Windows does not reuse the numbers of disks that went away at once, so a stick can sit
// behind a gap; the walk stops after this many missing numbers in a row, or at the limit.
constexpr int kMaxPhysicalDrives = 64;
constexpr int kMissingInARow = 16;
constexpr size_t kLayoutBufferBytes = 4800;          // header and 33 entries
constexpr size_t kLargestLayoutBytes = 48 + 144 * 4096;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;

const wchar_t* const kUnknownType = L"未知";
const wchar_t* const kNoLabel = L"本地磁盘";

// The narrow report of a layout too large for the usual buffer, in the ANSI code page.
void ReportLargeLayout() {
  std::string text = TheSeam().WideToAnsi(Format(L"分区数量超出%d个!\n", 32));
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// Reads a disk's layout. A layout too large for the usual buffer is reported and read
// again into larger buffers; the number of entries to walk (every entry the header
// counts that the buffer holds) comes back in `walk`.
bool ReadLayoutBuffer(int disk, std::vector<uint8_t>* buffer, size_t* walk) {
  uint32_t error = 0;
  if (TheSeam().DriveLayout(disk, kLayoutBufferBytes, buffer, &error)) {
    *walk = ReadDriveLayout(*buffer).entries.size();
    return true;
  }
  if (error != kErrorInsufficientBuffer) return false;
  ReportLargeLayout();
  for (size_t size = kLayoutBufferBytes * 2; size <= kLargestLayoutBytes * 2; size *= 2) {
    if (TheSeam().DriveLayout(disk, size, buffer, &error)) {
      *walk = ReadDriveLayout(*buffer).entries.size();
      return true;
    }
    if (error != kErrorInsufficientBuffer) return false;
  }
  return false;
}

std::wstring GigabytesText(const wchar_t* format, int64_t bytes) {
  return Format(format, static_cast<double>(bytes) / kGiB);
}

}  // namespace

CDisk::CDisk(bool volumeIcons) : volumeIcons_(volumeIcons) { Refresh(); }

CDisk::~CDisk() = default;

void CDisk::Refresh() {
  partitions.clear();
  devices.clear();
  ReadLogicalDrives();
  ForEachPhysicalDrive([this](int disk) { ReadDisk(disk); });
}

void CDisk::ReadLogicalDrives() {
  logicalDrives.clear();
  std::wstring strings = TheSeam().LogicalDriveStrings();
  strings.resize(256, L'\0');
  for (size_t slot = 0; slot < 64 && strings[slot * 4] != L'\0'; ++slot) {
    wchar_t first = strings[slot * 4];
    if (first == L'A' || first == L'B') continue;
    _PARTITION_LOGICAL logical;
    logical.letter = strings.substr(slot * 4, 2);
    StorageDeviceNumber number;
    switch (TheSeam().VolumeDeviceNumber(logical.letter, &number)) {
      case VolumeOpen::NotOpened:
        logicalDrives.push_back(logical);
        break;
      case VolumeOpen::Ok:
        logical.diskIndex = static_cast<int>(number.deviceNumber);
        logical.partitionNumber = static_cast<int>(number.partitionNumber);
        logicalDrives.push_back(logical);
        break;
      case VolumeOpen::QueryFailed:
        break;
    }
  }
}

void CDisk::ReadDisk(int disk) {
  std::vector<uint8_t> buffer;
  size_t walk = 0;
  if (!ReadLayoutBuffer(disk, &buffer, &walk)) return;

  _DEVICE device;
  device.diskIndex = disk;
  device.type = kUnknownType;
  int64_t length = 0;
  if (TheSeam().DiskLength(disk, &length)) device.size = GigabytesText(L"%0.2fGB", length);

  int counter = 1;
  for (size_t i = 0; i < walk; ++i) {
    PartitionInfoEx entry = ReadLayoutEntry(buffer, i);
    if (entry.PartitionLength == 0 || entry.PartitionNumber == 0) continue;
    _PARTITIONS record;
    record.diskIndex = disk;
    record.partitionNumber = static_cast<int>(entry.PartitionNumber);
    record.layout = entry;
    record.letter = GetPartitionLetter(record.partitionNumber, disk);
    record.type = kUnknownType;
    // On GPT only the EFI system partition and lettered partitions get Ghost numbers.
    bool counted = entry.PartitionStyle == layout::kStyleMbr || !record.letter.empty() ||
                   entry.Gpt.Name.compare(0, 3, L"EFI") == 0;
    if (counted) record.ghostNumber = Format(L"%d:%d", disk + 1, counter++);
    if (!record.letter.empty()) {
      std::wstring root = record.letter + L"\\";
      uint64_t freeBytes = 0;
      TheSeam().FreeBytes(root, &freeBytes);
      record.freeSpace = GigabytesText(L"%.2f GB", static_cast<int64_t>(freeBytes));
      if (!TheSeam().VolumeInformation(root, &record.label, &record.fileSystem)) {
        record.label.clear();
        record.fileSystem.clear();
      }
      if (record.label.empty()) record.label = kNoLabel;
      record.icon = volumeIcons_ ? TheSeam().AddVolumeIcon(record.letter) : -1;
      device.letters += record.letter + L" ";
    } else {
      record.icon = -1;
    }
    record.size = GigabytesText(L"%.2f GB", entry.PartitionLength);
    partitions.push_back(record);
  }
  devices.push_back(device);
}

std::wstring CDisk::GetPartitionLetter(int partitionNumber, int diskIndex) const {
  for (const auto& logical : logicalDrives)
    if (logical.diskIndex == diskIndex && logical.partitionNumber == partitionNumber) return logical.letter;
  return std::wstring();
}

_PARTITIONS CDisk::GetPartition(int partitionNumber, int diskIndex) const {
  for (const auto& partition : partitions)
    if (partition.diskIndex == diskIndex && partition.partitionNumber == partitionNumber) return partition;
  return _PARTITIONS();
}

_PARTITIONS CDisk::GetPartitionByLetter(const std::wstring& letter) const {
  for (const auto& logical : logicalDrives)
    if (logical.letter == letter) return GetPartition(logical.partitionNumber, logical.diskIndex);
  return _PARTITIONS();
}

bool GetVolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) {
  return TheSeam().VolumeDeviceNumber(volume, number) == VolumeOpen::Ok;
}

bool GetVolumePartitionStyle(const std::wstring& volume, int* style) {
  return TheSeam().VolumePartitionStyle(volume, style);
}

void ForEachPhysicalDrive(const std::function<void(int)>& visit) {
  int missing = 0;
  for (int disk = 0; disk < kMaxPhysicalDrives && missing < kMissingInARow; ++disk) {
    if (!TheSeam().PhysicalDriveOpens(disk)) {
      ++missing;
      continue;
    }
    missing = 0;
    visit(disk);
  }
}

bool GetVolumeMbrType(const std::wstring& volume, uint8_t* type) {
  StorageDeviceNumber number;
  std::vector<uint8_t> buffer;
  size_t walk = 0;
  if (!GetVolumeDeviceNumber(volume, &number) || !ReadLayoutBuffer(static_cast<int>(number.deviceNumber), &buffer, &walk))
    return false;
  DriveLayoutInfo layout = ReadDriveLayout(buffer);
  if (layout.PartitionStyle != layout::kStyleMbr) return false;
  for (size_t i = 0; i < walk && i < layout.entries.size(); ++i) {
    if (layout.entries[i].PartitionNumber != number.partitionNumber) continue;
    *type = layout.entries[i].Mbr.PartitionType;
    return true;
  }
  return false;
}

int CountPhysicalDrives() {
  int count = 0;
  ForEachPhysicalDrive([&count](int) { ++count; });
  return count;
}
