// DRIVE_LAYOUT_INFORMATION_EX buffers to records and back, bounds-checked on every read.
#include "platform/drive_layout.h"

namespace {

class Reader {
 public:
  Reader(const std::vector<uint8_t>& buffer, size_t base) : buffer_(buffer), base_(base) {}
  uint64_t Number(size_t offset, int bytes) const {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | Byte(offset + static_cast<size_t>(i));
    return value;
  }
  uint8_t Byte(size_t offset) const {
    size_t at = base_ + offset;
    return at < buffer_.size() ? buffer_[at] : 0;
  }
  Guid GuidAt(size_t offset) const {
    Guid guid;
    guid.data1 = static_cast<uint32_t>(Number(offset, 4));
    guid.data2 = static_cast<uint16_t>(Number(offset + 4, 2));
    guid.data3 = static_cast<uint16_t>(Number(offset + 6, 2));
    for (size_t i = 0; i < 8; ++i) guid.data4[i] = Byte(offset + 8 + i);
    return guid;
  }
  // UTF-16 units up to the terminator or the end of the field; pairs joined where wchar_t is wide.
  std::wstring Utf16At(size_t offset, int units) const {
    std::wstring text;
    for (int i = 0; i < units; ++i) {
      uint32_t unit = static_cast<uint32_t>(Number(offset + 2 * static_cast<size_t>(i), 2));
      if (unit == 0) break;
      if (sizeof(wchar_t) > 2 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
        uint32_t low = static_cast<uint32_t>(Number(offset + 2 * static_cast<size_t>(i + 1), 2));
        if (low >= 0xDC00 && low <= 0xDFFF) {
          text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
          ++i;
          continue;
        }
      }
      text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
  }

 private:
  const std::vector<uint8_t>& buffer_;
  size_t base_;
};

class Writer {
 public:
  Writer(std::vector<uint8_t>& buffer, size_t base) : buffer_(buffer), base_(base) {}
  void Number(size_t offset, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) buffer_[base_ + offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
  }
  void GuidAt(size_t offset, const Guid& guid) {
    Number(offset, guid.data1, 4);
    Number(offset + 4, guid.data2, 2);
    Number(offset + 6, guid.data3, 2);
    for (size_t i = 0; i < 8; ++i) buffer_[base_ + offset + 8 + i] = guid.data4[i];
  }
  void Utf16At(size_t offset, const std::wstring& text, int units) {
    std::vector<uint16_t> encoded;
    for (wchar_t c : text) {
      uint32_t code = static_cast<uint32_t>(c);
      if (code >= 0x10000) {
        code -= 0x10000;
        encoded.push_back(static_cast<uint16_t>(0xD800 + (code >> 10)));
        encoded.push_back(static_cast<uint16_t>(0xDC00 + (code & 0x3FF)));
      } else {
        encoded.push_back(static_cast<uint16_t>(code));
      }
    }
    for (size_t i = 0; i < encoded.size() && i < static_cast<size_t>(units); ++i)
      Number(offset + 2 * i, encoded[i], 2);
  }

 private:
  std::vector<uint8_t>& buffer_;
  size_t base_;
};

}  // namespace

PartitionInfoEx ReadLayoutEntry(const std::vector<uint8_t>& buffer, size_t index) {
  Reader r(buffer, layout::kHeaderBytes + index * layout::kEntryBytes);
  PartitionInfoEx entry;
  entry.PartitionStyle = static_cast<uint32_t>(r.Number(0, 4));
  entry.StartingOffset = static_cast<int64_t>(r.Number(8, 8));
  entry.PartitionLength = static_cast<int64_t>(r.Number(16, 8));
  entry.PartitionNumber = static_cast<uint32_t>(r.Number(24, 4));
  entry.RewritePartition = r.Byte(28) != 0;
  entry.IsServicePartition = r.Byte(29) != 0;
  if (entry.PartitionStyle == layout::kStyleMbr) {
    entry.Mbr.PartitionType = r.Byte(32);
    entry.Mbr.BootIndicator = r.Byte(33) != 0;
    entry.Mbr.RecognizedPartition = r.Byte(34) != 0;
    entry.Mbr.HiddenSectors = static_cast<uint32_t>(r.Number(36, 4));
    entry.Mbr.PartitionId = r.GuidAt(40);
  } else if (entry.PartitionStyle == layout::kStyleGpt) {
    entry.Gpt.PartitionType = r.GuidAt(32);
    entry.Gpt.PartitionId = r.GuidAt(48);
    entry.Gpt.Attributes = r.Number(64, 8);
    entry.Gpt.Name = r.Utf16At(72, layout::kNameChars);
  }
  return entry;
}

DriveLayoutInfo ReadDriveLayout(const std::vector<uint8_t>& buffer) {
  Reader r(buffer, 0);
  DriveLayoutInfo result;
  result.PartitionStyle = static_cast<uint32_t>(r.Number(0, 4));
  result.PartitionCount = static_cast<uint32_t>(r.Number(4, 4));
  if (result.PartitionStyle == layout::kStyleMbr) {
    result.MbrSignature = static_cast<uint32_t>(r.Number(8, 4));
  } else if (result.PartitionStyle == layout::kStyleGpt) {
    result.GptDiskId = r.GuidAt(8);
    result.GptStartingUsableOffset = static_cast<int64_t>(r.Number(24, 8));
    result.GptUsableLength = static_cast<int64_t>(r.Number(32, 8));
    result.GptMaxPartitionCount = static_cast<uint32_t>(r.Number(40, 4));
  }
  size_t room = buffer.size() < layout::kHeaderBytes ? 0 : (buffer.size() - layout::kHeaderBytes) / layout::kEntryBytes;
  for (size_t i = 0; i < room && i < result.PartitionCount; ++i) result.entries.push_back(ReadLayoutEntry(buffer, i));
  return result;
}

std::vector<uint8_t> WriteDriveLayout(const DriveLayoutInfo& layout) {
  std::vector<uint8_t> buffer(layout::kHeaderBytes + layout.entries.size() * layout::kEntryBytes, 0);
  Writer header(buffer, 0);
  header.Number(0, layout.PartitionStyle, 4);
  header.Number(4, layout.PartitionCount, 4);
  if (layout.PartitionStyle == layout::kStyleMbr) {
    header.Number(8, layout.MbrSignature, 4);
  } else if (layout.PartitionStyle == layout::kStyleGpt) {
    header.GuidAt(8, layout.GptDiskId);
    header.Number(24, static_cast<uint64_t>(layout.GptStartingUsableOffset), 8);
    header.Number(32, static_cast<uint64_t>(layout.GptUsableLength), 8);
    header.Number(40, layout.GptMaxPartitionCount, 4);
  }
  for (size_t i = 0; i < layout.entries.size(); ++i) {
    const PartitionInfoEx& entry = layout.entries[i];
    Writer w(buffer, layout::kHeaderBytes + i * layout::kEntryBytes);
    w.Number(0, entry.PartitionStyle, 4);
    w.Number(8, static_cast<uint64_t>(entry.StartingOffset), 8);
    w.Number(16, static_cast<uint64_t>(entry.PartitionLength), 8);
    w.Number(24, entry.PartitionNumber, 4);
    w.Number(28, entry.RewritePartition ? 1 : 0, 1);
    w.Number(29, entry.IsServicePartition ? 1 : 0, 1);
    if (entry.PartitionStyle == layout::kStyleMbr) {
      w.Number(32, entry.Mbr.PartitionType, 1);
      w.Number(33, entry.Mbr.BootIndicator ? 1 : 0, 1);
      w.Number(34, entry.Mbr.RecognizedPartition ? 1 : 0, 1);
      w.Number(36, entry.Mbr.HiddenSectors, 4);
      w.GuidAt(40, entry.Mbr.PartitionId);
    } else if (entry.PartitionStyle == layout::kStyleGpt) {
      w.GuidAt(32, entry.Gpt.PartitionType);
      w.GuidAt(48, entry.Gpt.PartitionId);
      w.Number(64, entry.Gpt.Attributes, 8);
      w.Utf16At(72, entry.Gpt.Name, layout::kNameChars);
    }
  }
  return buffer;
}
