// Reading and writing DRIVE_LAYOUT_INFORMATION_EX buffers, byte for byte as Windows lays them out.
//
// The buffer is a 48-byte header (style, count, the MBR or GPT union) followed by
// PARTITION_INFORMATION_EX entries of 144 bytes each; all numbers little-endian.
// Entry offsets: 0 PartitionStyle, 8 StartingOffset, 16 PartitionLength,
// 24 PartitionNumber, 28 RewritePartition, 29 IsServicePartition, then the union at 32:
//   MBR: 32 PartitionType, 33 BootIndicator, 34 RecognizedPartition, 36 HiddenSectors,
//        40 PartitionId (GUID);
//   GPT: 32 PartitionType (GUID), 48 PartitionId (GUID), 64 Attributes, 72 Name (36 UTF-16).
// The writer serves the tests and the simulated machine of the end-to-end build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/seam.h"

namespace layout {
constexpr size_t kHeaderBytes = 48;
constexpr size_t kEntryBytes = 144;
constexpr int kNameChars = 36;
constexpr uint32_t kStyleMbr = 0, kStyleGpt = 1, kStyleRaw = 2;
}  // namespace layout

// One PARTITION_INFORMATION_EX, every field kept.
struct PartitionInfoEx {
  uint32_t PartitionStyle = 0;       // 0 MBR, 1 GPT, 2 RAW
  int64_t StartingOffset = 0;
  int64_t PartitionLength = 0;
  uint32_t PartitionNumber = 0;
  bool RewritePartition = false;
  bool IsServicePartition = false;
  struct {
    uint8_t PartitionType = 0;
    bool BootIndicator = false;
    bool RecognizedPartition = false;
    uint32_t HiddenSectors = 0;
    Guid PartitionId;
  } Mbr;
  struct {
    Guid PartitionType;
    Guid PartitionId;
    uint64_t Attributes = 0;
    std::wstring Name;               // up to 36 UTF-16 units, without the terminator
  } Gpt;
};

// The header and the entries present in a buffer.
struct DriveLayoutInfo {
  uint32_t PartitionStyle = 0;
  uint32_t PartitionCount = 0;
  uint32_t MbrSignature = 0;         // MBR only
  Guid GptDiskId;                    // GPT only
  int64_t GptStartingUsableOffset = 0, GptUsableLength = 0;
  uint32_t GptMaxPartitionCount = 0;
  std::vector<PartitionInfoEx> entries;
};

// Entry `index` of a layout buffer; an entry that lies (partly) outside the buffer reads as zero.
PartitionInfoEx ReadLayoutEntry(const std::vector<uint8_t>& buffer, size_t index);
// The header and min(PartitionCount, what the buffer holds) entries.
DriveLayoutInfo ReadDriveLayout(const std::vector<uint8_t>& buffer);
// The bytes Windows would return for this layout: header plus one entry per element.
std::vector<uint8_t> WriteDriveLayout(const DriveLayoutInfo& layout);
