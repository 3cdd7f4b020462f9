// The simulated machine: the description file's parser and the drive layouts it
// answers, byte for byte as Windows lays out DRIVE_LAYOUT_INFORMATION_EX.
#include "tests/e2e/sim/sim_machine.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <sstream>
#include <stdexcept>

namespace sim {
namespace {

constexpr uint64_t kMiB = 1024ull * 1024;

Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
  Guid g;
  g.data1 = d1;
  g.data2 = d2;
  g.data3 = d3;
  for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<uint8_t>(d4 >> (8 * (7 - i)));
  return g;
}

bool GptType(const std::string& type, Guid* guid, uint64_t* attributes) {
  *attributes = 0;
  if (type == "efi") *guid = MakeGuid(0xC12A7328, 0xF81F, 0x11D2, 0xBA4B00A0C93EC93Bull);
  else if (type == "msr") *guid = MakeGuid(0xE3C9E316, 0x0B5C, 0x4DB8, 0x817DF92DF00215AEull);
  else if (type == "basic" || type.empty()) *guid = MakeGuid(0xEBD0A0A2, 0xB9E5, 0x4433, 0x87C068B6B72699C7ull);
  else if (type == "recovery") {
    *guid = MakeGuid(0xDE94BBA4, 0x06D1, 0x4D40, 0xA16ABFD50179D6ACull);
    *attributes = 0x8000000000000001ull;
  } else {
    return false;
  }
  return true;
}

PartitionInfoEx MbrEntry(uint64_t offset, uint64_t length, uint32_t number, uint8_t type,
                         bool recognized, uint32_t hiddenSectors) {
  PartitionInfoEx e;
  e.PartitionStyle = layout::kStyleMbr;
  e.StartingOffset = static_cast<int64_t>(offset);
  e.PartitionLength = static_cast<int64_t>(length);
  e.PartitionNumber = number;
  e.Mbr.PartitionType = type;
  e.Mbr.RecognizedPartition = recognized;
  e.Mbr.HiddenSectors = hiddenSectors;
  return e;
}

uint8_t MbrType(const Slot& slot) { return static_cast<uint8_t>(std::stoul(slot.type, nullptr, 16)); }

// The entries of an MBR disk: four primary slots, then four entries per extended boot
// record: its logical partition, the link to the next record (when there is one) and
// two empty slots.
std::vector<PartitionInfoEx> MbrEntries(const Disk& disk) {
  std::vector<PartitionInfoEx> primaries, logicals;
  uint64_t cursor = kMiB, ebr = 0;
  for (const Slot& slot : disk.slots) {
    switch (slot.kind) {
      case SlotKind::Empty:
        primaries.push_back(PartitionInfoEx());
        break;
      case SlotKind::Partition: {
        PartitionInfoEx e = MbrEntry(cursor, slot.length, slot.number, MbrType(slot), true,
                                     static_cast<uint32_t>(cursor / 512));
        e.Mbr.BootIndicator = slot.boot;
        primaries.push_back(e);
        cursor += slot.length;
        break;
      }
      case SlotKind::Extended:
        primaries.push_back(MbrEntry(cursor, slot.length, 0, 0x0F, false, static_cast<uint32_t>(cursor / 512)));
        ebr = cursor;
        cursor += slot.length;
        break;
      case SlotKind::Logical:
        logicals.push_back(MbrEntry(ebr + kMiB, slot.length, slot.number, MbrType(slot), true,
                                    static_cast<uint32_t>(kMiB / 512)));
        ebr += kMiB + slot.length;
        break;
    }
  }
  primaries.resize(4);
  std::vector<PartitionInfoEx> entries = primaries;
  for (size_t i = 0; i < logicals.size(); ++i) {
    entries.push_back(logicals[i]);
    PartitionInfoEx link;
    if (i + 1 < logicals.size()) {
      uint64_t next = static_cast<uint64_t>(logicals[i].StartingOffset + logicals[i].PartitionLength);
      link = MbrEntry(next, kMiB + static_cast<uint64_t>(logicals[i + 1].PartitionLength), 0, 0x05, false,
                      static_cast<uint32_t>(next / 512));
    }
    entries.push_back(link);
    entries.push_back(PartitionInfoEx());
    entries.push_back(PartitionInfoEx());
  }
  return entries;
}

std::vector<PartitionInfoEx> GptEntries(const Disk& disk, int index) {
  std::vector<PartitionInfoEx> entries;
  uint64_t cursor = kMiB;
  for (const Slot& slot : disk.slots) {
    PartitionInfoEx e;
    e.PartitionStyle = layout::kStyleGpt;
    e.StartingOffset = static_cast<int64_t>(cursor);
    e.PartitionLength = static_cast<int64_t>(slot.length);
    e.PartitionNumber = slot.number;
    GptType(slot.type, &e.Gpt.PartitionType, &e.Gpt.Attributes);
    e.Gpt.PartitionId = MakeGuid(0x52494700u + static_cast<uint32_t>(index), 0x4D41, 0x5445,
                                 0x5349000000000000ull + slot.number);
    e.Gpt.Name = slot.name.substr(0, layout::kNameChars - 1);
    entries.push_back(e);
    cursor += slot.length;
  }
  return entries;
}

bool ParseSize(const std::string& text, uint64_t* size) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  size_t used = 0;
  unsigned long long value = std::stoull(text, &used);
  std::string unit = text.substr(used);
  uint64_t factor = 1;
  if (unit == "K") factor = 1024ull;
  else if (unit == "M") factor = kMiB;
  else if (unit == "G") factor = kMiB * 1024;
  else if (unit == "T") factor = kMiB * 1024 * 1024;
  else if (!unit.empty()) return false;
  *size = value * factor;
  return true;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t code = c;
    size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) code = c & (0x3F >> extra);
    for (size_t k = 1; k <= extra && i + k < text.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(code));
    }
  }
  return out;
}

// Words of a line; a word in double quotes may hold blanks ("EFI system partition").
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"' && quoted && at + 1 < line.size() && line[at + 1] == '"') { word.push_back(line[at++]); continue; }
    if (c == '"') { quoted = !quoted; any = true; continue; }
    if (!quoted && c == '#') break;
    if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
      continue;
    }
    word.push_back(c);
    any = true;
  }
  if (any) words.push_back(word);
  return words;
}

bool SameLetter(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

}  // namespace

bool Machine::Parse(const std::string& text, std::string* error) {
  bool ok = false;
  try {
    ok = ParseLines(text, error);
  } catch (const std::exception&) {  // a number that does not fit
    if (error) *error = "a number out of range";
  }
  if (!ok) {  // a refused description describes nothing
    disks_.clear();
    firmwareUefi_ = -1;
  }
  return ok;
}

bool Machine::ParseLines(const std::string& text, std::string* error) {
  disks_.clear();
  firmwareUefi_ = -1;
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    const std::string& kind = words[0];
    if (kind == "firmware") {
      if (words.size() != 2 || (words[1] != "uefi" && words[1] != "bios"))
        return fail("firmware is uefi or bios");
      firmwareUefi_ = words[1] == "uefi" ? 1 : 0;
      continue;
    }
    if (kind == "disk") {
      Disk disk;
      if (words.size() < 2) return fail("a disk needs a style");
      if (words[1] == "missing") disk.state = Disk::State::Missing;
      else if (words[1] == "unreadable") disk.state = Disk::State::Unreadable;
      else if (words[1] == "mbr") disk.style = Style::Mbr;
      else if (words[1] == "gpt") disk.style = Style::Gpt;
      else if (words[1] == "raw") disk.style = Style::Raw;
      else return fail("unknown disk style " + words[1]);
      if (disk.state == Disk::State::Present &&
          (words.size() < 3 || !ParseSize(words[2], &disk.length)))
        return fail("a disk needs a length");
      for (size_t i = 3; i < words.size(); ++i) {
        if (words[i] == "no-length") disk.lengthFails = true;
        else if (words[i] == "usb") disk.usb = true;
        else if (words[i] == "removable") disk.removable = true;
        else if (words[i].rfind("signature=", 0) == 0)
          disk.signature = static_cast<uint32_t>(std::stoul(words[i].substr(10), nullptr, 16));
        else return fail("unknown disk option " + words[i]);
      }
      disks_.push_back(disk);
      continue;
    }
    if (disks_.empty() || disks_.back().state != Disk::State::Present)
      return fail(kind + " outside a readable disk");
    Disk& disk = disks_.back();
    Slot slot;
    size_t next = 1;
    if (kind == "empty") slot.kind = SlotKind::Empty;
    else if (kind == "extended") slot.kind = SlotKind::Extended;
    else if (kind == "part" || kind == "logical") {
      slot.kind = kind == "part" ? SlotKind::Partition : SlotKind::Logical;
      if (words.size() < 2 || words[1].empty() || !std::isdigit(static_cast<unsigned char>(words[1][0])))
        return fail(kind + " needs its partition number");
      slot.number = static_cast<uint32_t>(std::stoul(words[1]));
      next = 2;
    } else {
      return fail("unknown line " + kind);
    }
    if (slot.kind != SlotKind::Empty) {
      if (words.size() <= next || !ParseSize(words[next], &slot.length)) return fail(kind + " needs a length");
      ++next;
    }
    for (size_t i = next; i < words.size(); ++i) {
      const std::string& option = words[i];
      if (option == "boot") slot.boot = true;
      else if (option.rfind("letter=", 0) == 0) slot.letter = FromUtf8(option.substr(7));
      else if (option.rfind("type=", 0) == 0) slot.type = option.substr(5);
      else if (option.rfind("name=", 0) == 0) slot.name = FromUtf8(option.substr(5));
      else if (option.rfind("label=", 0) == 0) slot.labelled = true, slot.label = FromUtf8(option.substr(6));
      else return fail("unknown option " + option);
    }
    if (!slot.letter.empty() && (slot.letter.size() != 2 || slot.letter[1] != L':'))
      return fail("a letter is written like C:");
    if (disk.style == Style::Gpt) {
      Guid guid;
      uint64_t attributes = 0;
      if (slot.kind != SlotKind::Partition) return fail("a GPT disk holds only part lines");
      if (!GptType(slot.type, &guid, &attributes)) return fail("unknown GPT type " + slot.type);
    } else if (disk.style == Style::Mbr) {
      size_t primaries = 0;
      bool extended = false;
      for (const Slot& earlier : disk.slots) {
        if (earlier.kind != SlotKind::Logical) ++primaries;
        if (earlier.kind == SlotKind::Extended) extended = true;
      }
      if (slot.kind != SlotKind::Logical && primaries == 4) return fail("an MBR disk has four primary slots");
      if (slot.kind == SlotKind::Logical && !extended)
        return fail("a logical partition needs an extended partition before it");
      if (slot.kind == SlotKind::Extended && extended) return fail("an MBR disk has one extended partition");
      if (slot.kind == SlotKind::Partition || slot.kind == SlotKind::Logical) {
        if (slot.type.empty()) slot.type = "0x07";
        try {
          if (std::stoul(slot.type, nullptr, 16) > 0xFF) return fail("an MBR type is one byte");
        } catch (...) {
          return fail("an MBR type is a byte in hex");
        }
      }
    } else {
      return fail("a raw disk holds no partitions");
    }
    disk.slots.push_back(slot);
  }
  return true;
}

bool Machine::DiskOpens(int disk) const {
  if (disk < 0 || static_cast<size_t>(disk) >= disks_.size()) return false;
  return disks_[static_cast<size_t>(disk)].state != Disk::State::Missing;
}

bool Machine::Layout(int disk, std::vector<uint8_t>* bytes, uint32_t* error) const {
  if (!DiskOpens(disk)) {
    *error = 2;
    return false;
  }
  const Disk& d = disks_[static_cast<size_t>(disk)];
  if (d.state == Disk::State::Unreadable) {
    *error = 50;
    return false;
  }
  DriveLayoutInfo info;
  info.PartitionStyle = static_cast<uint32_t>(d.style);
  if (d.style == Style::Mbr) {
    info.MbrSignature = d.signature;
    info.entries = MbrEntries(d);
  } else if (d.style == Style::Gpt) {
    info.GptDiskId = MakeGuid(0x52494700u + static_cast<uint32_t>(disk), 0x4449, 0x534B, 0x4750540000000000ull);
    info.GptStartingUsableOffset = 17408;
    info.GptUsableLength = static_cast<int64_t>(d.length > 34816 ? d.length - 34816 : 0);
    info.GptMaxPartitionCount = 128;
    info.entries = GptEntries(d, disk);
  }
  info.PartitionCount = static_cast<uint32_t>(info.entries.size());
  *bytes = WriteDriveLayout(info);
  return true;
}

bool Machine::Length(int disk, int64_t* length) const {
  if (!DiskOpens(disk)) return false;
  const Disk& d = disks_[static_cast<size_t>(disk)];
  if (d.state != Disk::State::Present || d.lengthFails) return false;
  *length = static_cast<int64_t>(d.length);
  return true;
}

VolumeAnswer Machine::Volume(const std::wstring& letter) const {
  VolumeAnswer answer;
  for (size_t n = 0; n < disks_.size(); ++n) {
    if (!DiskOpens(static_cast<int>(n))) continue;
    for (const Slot& slot : disks_[n].slots) {
      if (slot.letter.empty() || !SameLetter(slot.letter, letter)) continue;
      answer.found = true;
      answer.disk = static_cast<uint32_t>(n);
      answer.partition = slot.number;
      answer.style = disks_[n].style;
      answer.labelled = slot.labelled;
      answer.label = slot.label;
      return answer;
    }
  }
  return answer;
}

bool Machine::DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) const {
  std::vector<uint8_t> layout;
  if (!Layout(disk, &layout, error)) return false;
  if (layout.size() > bufferSize) {
    *error = 122;
    return false;
  }
  buffer->assign(bufferSize, 0);
  std::copy(layout.begin(), layout.end(), buffer->begin());
  return true;
}

VolumeOpen Machine::VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) const {
  VolumeAnswer answer = Volume(volume);
  if (!answer.found) return VolumeOpen::NotOpened;
  number->deviceType = 7;  // FILE_DEVICE_DISK
  number->deviceNumber = answer.disk;
  number->partitionNumber = answer.partition;
  return VolumeOpen::Ok;
}

bool Machine::VolumePartitionStyle(const std::wstring& volume, int* style) const {
  VolumeAnswer answer = Volume(volume);
  if (!answer.found) return false;
  *style = static_cast<int>(answer.style);
  return true;
}

bool Machine::DiskStorageFacts(int disk, StorageFacts* facts) const {
  if (!DiskOpens(disk)) return false;
  const Disk& d = disks_[static_cast<size_t>(disk)];
  facts->removableMedia = d.removable;
  facts->busType = d.usb ? 7 : 11;  // BusTypeUsb, BusTypeSata
  return true;
}

}  // namespace sim
