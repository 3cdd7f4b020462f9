// Factory, tool and boot partitions by type and label.
#include "platform/partition_kind.h"

#include <cstring>
#include <cwctype>

namespace {

// Hidden FAT and NTFS (0x11-0x1E, also the hidden NTFS of recovery partitions), Compaq
// and OEM diagnostics (0x12), Windows RE and rescue partitions (0x27), hibernation
// (0x84 Intel, 0xA0 laptops), Dell's utility partition (0xDE), EFI system on MBR (0xEF).
bool FactoryMbrType(uint8_t type) {
  switch (type) {
    case 0x11: case 0x12: case 0x14: case 0x16: case 0x17: case 0x1B: case 0x1C: case 0x1E:
    case 0x27: case 0x84: case 0xA0: case 0xDE: case 0xEF:
      return true;
    default:
      return false;
  }
}

bool SameGuid(const Guid& a, const Guid& b) {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && std::memcmp(a.data4, b.data4, 8) == 0;
}

// Windows RE, EFI system and Microsoft reserved partitions; and any partition the
// firmware needs (attribute bit 0) or that its maker hid (bit 62).
bool FactoryGptEntry(const PartitionInfoEx& entry) {
  static const Guid kinds[] = {
      {0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}},
      {0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}},
      {0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}}};
  for (const Guid& kind : kinds)
    if (SameGuid(entry.Gpt.PartitionType, kind)) return true;
  return (entry.Gpt.Attributes & 0x1) != 0 || (entry.Gpt.Attributes & (1ull << 62)) != 0;
}

std::wstring Upper(const std::wstring& text) {
  std::wstring upper;
  for (wchar_t c : text) upper.push_back(static_cast<wchar_t>(std::towupper(c)));
  return upper;
}

bool FactoryLabel(const std::wstring& label) {
  static const wchar_t* const names[] = {L"HP_TOOLS", L"PQSERVICE", L"SYSTEM RESERVED", L"系统保留", L"恢复",
                                         L"WINRE", L"WINRETOOLS", L"DELLUTILITY", L"LENOVO_PART", L"SYSTEM_DRV",
                                         L"RESTORE", L"ESP"};
  const std::wstring upper = Upper(label);
  if (upper.find(L"RECOVERY") != std::wstring::npos) return true;   // RECOVERY, HP_RECOVERY, Recovery Image…
  for (const wchar_t* name : names)
    if (upper == name) return true;
  return false;
}

}  // namespace

bool IsFactoryOrBootPartition(const PartitionInfoEx& entry, const std::wstring& label) {
  if (entry.PartitionStyle == layout::kStyleMbr && FactoryMbrType(entry.Mbr.PartitionType)) return true;
  if (entry.PartitionStyle == layout::kStyleGpt && FactoryGptEntry(entry)) return true;
  return FactoryLabel(label);
}
