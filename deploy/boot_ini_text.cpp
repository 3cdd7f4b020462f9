// The edit of BOOT.INI's bytes that makes the DOS-stage loader the default entry.
#include "deploy/boot_ini_text.h"

#include <cctype>
#include <utility>

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

// Where each key of the [boot loader] section starts; npos when it is not there.
void FindKeys(const std::string& bytes, size_t* timeout, size_t* defaultKey) {
  *timeout = *defaultKey = std::string::npos;
  bool inSection = false;
  for (size_t line = 0; line < bytes.size();) {
    size_t end = LineEnd(bytes, line);
    size_t at = bytes.find_first_not_of(" \t", line);
    if (at < end && bytes[at] == '[') inSection = SameLetters(bytes, at, "[boot loader]");
    for (auto key : {std::make_pair("timeout", timeout), std::make_pair("default", defaultKey)}) {
      size_t after = at + std::char_traits<char>::length(key.first);
      if (!inSection || at >= end || *key.second != std::string::npos || !SameLetters(bytes, at, key.first)) continue;
      size_t next = bytes.find_first_not_of(" \t", after);
      if (next >= end || bytes[next] == '=') *key.second = at;
    }
    line = end + 1;
  }
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
  size_t timeoutPos, defaultPos;
  FindKeys(*bytes, &timeoutPos, &defaultPos);
  if (timeoutPos == std::string::npos || defaultPos == std::string::npos) return false;
  // The later key first, so that the earlier key's position still holds.
  if (timeoutPos > defaultPos) {
    SetValue(bytes, timeoutPos, "10");
    SetValue(bytes, defaultPos, "C:\\KXLDR.MBR");
  } else {
    SetValue(bytes, defaultPos, "C:\\KXLDR.MBR");
    SetValue(bytes, timeoutPos, "10");
  }
  bytes->append(kBootIniEntryLine);
  return true;
}

bool BootIniNamesLoader(const std::string& bytes) {
  for (size_t at = 0; at < bytes.size(); ++at)
    if (SameLetters(bytes, at, "c:\\kxldr.mbr")) return true;
  return false;
}
