// The facts that the questions before a restore name.
#include "deploy/question_facts.h"

#include "platform/disk.h"
#include "platform/format.h"
#include "platform/seam.h"

namespace {

constexpr uint32_t kFileDeviceDisk = 7;
constexpr double kBytesPerGiB = 1024.0 * 1024 * 1024;

}  // namespace

std::wstring DriveFacts(const std::wstring& drive) {
  StorageDeviceNumber number;
  if (TheSeam().VolumeDeviceNumber(drive, &number) != VolumeOpen::Ok || number.deviceType != kFileDeviceDisk)
    return std::wstring();
  const _PARTITIONS partition =
      TheDisk().GetPartition(static_cast<int>(number.partitionNumber), static_cast<int>(number.deviceNumber));
  if (partition.partitionNumber == 0) return std::wstring();
  return Format(L"%s盘：%s，%s。", drive, partition.size, partition.label);
}

std::wstring ImageFileFacts(const std::wstring& path) {
  FileEntry image;
  uint64_t bytes = 0;
  if (!TheSeam().FindFile(path, &image) || image.isFolder || !TheSeam().FileSize(path, &bytes)) return std::wstring();
  const LocalTime& made = image.modified;
  return Format(L"该镜像文件保存于%d-%02d-%02d %02d:%02d，大小为%.2f GB。", made.year, made.month, made.day, made.hour,
                made.minute, static_cast<double>(bytes) / kBytesPerGiB);
}

std::wstring WithFacts(const std::wstring& question, std::initializer_list<std::wstring> facts) {
  std::wstring text = question;
  for (const std::wstring& fact : facts)
    if (!fact.empty()) text += L"\n" + fact;
  return text;
}
