// The edit of BOOT.INI's bytes that makes the DOS-stage loader the default entry.
#pragma once

#include <string>

// The entry line appended to BOOT.INI, with the line break before it.
extern const char kBootIniEntryLine[];

// Sets the "timeout" key to 10 and the "default" key to C:\KXLDR.MBR, and appends the
// entry line at the end. Keys are read as the XP loader reads them: at the start of a
// line (after blanks) of the [boot loader] section, in any case, followed by blanks and
// "=" or by the line end (a key without "=" gets one). A key's value runs to its line
// end; a key repeated in the section is set on each of its lines. The file is edited as
// bytes: every byte outside the values stays as it was, whatever code page its
// descriptions use. False, leaving the bytes unchanged, when the section or either key is
// missing.
bool EditBootIniText(std::string* bytes);

// Whether the bytes already hold the DOS-stage loader (an edit that was never undone).
bool BootIniNamesLoader(const std::string& bytes);
