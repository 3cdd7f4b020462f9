// The edit of BOOT.INI's text that makes the DOS-stage loader the default entry.
#include "deploy/boot_ini_text.h"

const wchar_t kBootIniEntryLine[] = L"\r\nC:\\KXLDR.MBR=KX Ghost";

namespace {

// Replaces the value of the key at keyPos. The value ends at the key's line end, never
// further: a line without a carriage return must not take the following lines with it.
void SetValue(std::wstring* text, size_t keyPos, const std::wstring& value) {
  size_t lineEnd = text->find_first_of(L"\r\n", keyPos);
  if (lineEnd == std::wstring::npos) lineEnd = text->size();
  size_t equals = text->find(L'=', keyPos);
  if (equals == std::wstring::npos || equals > lineEnd) {
    text->insert(lineEnd, L"=" + value);
    return;
  }
  text->replace(equals + 1, lineEnd - equals - 1, value);
}

}  // namespace

bool EditBootIniText(std::wstring* text) {
  size_t timeoutPos = text->find(L"timeout");
  size_t defaultPos = text->find(L"default");
  if (timeoutPos == std::wstring::npos || defaultPos == std::wstring::npos) return false;
  // The later key first, so that the earlier key's position still holds.
  if (timeoutPos > defaultPos) {
    SetValue(text, timeoutPos, L"10");
    SetValue(text, defaultPos, L"C:\\KXLDR.MBR");
  } else {
    SetValue(text, defaultPos, L"C:\\KXLDR.MBR");
    SetValue(text, timeoutPos, L"10");
  }
  text->append(kBootIniEntryLine);
  return true;
}
