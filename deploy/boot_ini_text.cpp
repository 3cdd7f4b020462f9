// The edit of BOOT.INI's bytes that makes the DOS-stage loader the default entry.
#include "deploy/boot_ini_text.h"

#include <cctype>
#include <utility>
#include <vector>

const char kBootIniEntryLine[] = "\r\nC:\\KXLDR.MBR=KX Ghost";

namespace {

bool SameLetters(const std::string& bytes, size_t at, const char* word) {
  for (size_t i = 0; word[i]; ++i)
    if (at + i >= bytes.size() || std::tolower(static_cast<unsigned char>(bytes[at + i])) != word[i]) return false;
  return true;
}

size_t LineEnd(const std::string& bytes, size_t from) {
  size_t end = bytes.find_first_of("\r\n", from);
  return end == std::string::npos ? bytes.size() : end;
}

// Where each key of the [boot loader] section starts, with the value it is to get; every
// line of a repeated key, so that whichever one the loader reads names the DOS stage.
std::vector<std::pair<size_t, const char*>> FindKeys(const std::string& bytes) {
  std::vector<std::pair<size_t, const char*>> found;
  bool inSection = false;
  for (size_t line = 0; line < bytes.size();) {
    size_t end = LineEnd(bytes, line);
    size_t at = bytes.find_first_not_of(" \t", line);
    if (at < end && bytes[at] == '[') inSection = SameLetters(bytes, at, "[boot loader]");
    for (auto key : {std::make_pair("timeout", "10"), std::make_pair("default", "C:\\KXLDR.MBR")}) {
      size_t after = at + std::char_traits<char>::length(key.first);
      if (!inSection || at >= end || !SameLetters(bytes, at, key.first)) continue;
      size_t next = bytes.find_first_not_of(" \t", after);
      if (next >= end || bytes[next] == '=') found.emplace_back(at, key.second);
    }
    line = end + 1;
  }
  return found;
}

// Replaces the value of the key at keyPos, up to its line end.
void SetValue(std::string* bytes, size_t keyPos, const std::string& value) {
  size_t end = LineEnd(*bytes, keyPos);
  size_t equals = bytes->find('=', keyPos);
  if (equals == std::string::npos || equals > end) {
    bytes->insert(end, "=" + value);
    return;
  }
  bytes->replace(equals + 1, end - equals - 1, value);
}

}  // namespace

bool EditBootIniText(std::string* bytes) {
  std::vector<std::pair<size_t, const char*>> keys = FindKeys(*bytes);
  bool timeout = false, defaultKey = false;
  for (const auto& key : keys) (key.second[0] == '1' ? timeout : defaultKey) = true;
  if (!timeout || !defaultKey) return false;
  // The later keys first, so that the earlier keys' positions still hold.
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) SetValue(bytes, key->first, key->second);
  bytes->append(kBootIniEntryLine);
  return true;
}

bool BootIniNamesLoader(const std::string& bytes) {
  for (size_t at = 0; at < bytes.size(); ++at)
    if (SameLetters(bytes, at, "c:\\kxldr.mbr")) return true;
  return false;
}
