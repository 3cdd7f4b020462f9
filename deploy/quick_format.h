// The quick format of a WIM restore's target without the shell's window: Windows'
// format.com from the system folder, its question for the volume's current label
// answered on its input, and a check that the volume is new before anything is applied.
#pragma once

#include <string>

// Formats target ("D:") NTFS, quick. Empty once the volume is formatted: a new serial
// number and nothing left in its root but what Windows itself keeps there hidden.
// Otherwise why not; the target may be as it was or formatted in part.
std::wstring QuickFormat(const std::wstring& target);
