// The edit of BOOT.INI's text that makes the DOS-stage loader the default entry.
#pragma once

#include <string>

// The entry line appended to BOOT.INI, with the line break before it.
extern const wchar_t kBootIniEntryLine[];

// Sets the first "timeout" key to 10 and the first "default" key to C:\KXLDR.MBR, and
// appends the entry line at the end of the text. Keys are found case-sensitively
// anywhere in the text; a key's value runs from the "=" on its line to the line end
// (the next carriage return or line feed, or the end of the text); a key with no "="
// on its line gets one at its line end. Returns false, leaving the text unchanged,
// when either key is missing.
bool EditBootIniText(std::wstring* text);
