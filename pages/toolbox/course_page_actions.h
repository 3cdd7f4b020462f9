// What the tutorials page does, apart from its window: the video map read into
// records, and the manual opened with the reader of the data folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

// One tutorial video of the map.
struct _VIDEO {
  std::wstring name;          // file name relative to the map's folder
  std::wstring path;          // the map's folder, a backslash and the name
  std::wstring description;
  int icon = -1;              // the file type's icon in the page's image list
};

using VideoList = std::list<_VIDEO>;

namespace course_page {

constexpr wchar_t kVideoMap[] = L"Rigmate\\COURSE\\VIDEO_MAP";
constexpr wchar_t kReader[] = L"Rigmate\\COURSE\\PDF阅读器.exe";
constexpr wchar_t kManual[] = L"Rigmate\\COURSE\\使用说明书.pdf";

// The longest tokens of a pair, in bytes of the thread's code page.
constexpr size_t kNameBytes = 259;
constexpr size_t kDescriptionBytes = 511;

// One pair of the map.
struct MapPair {
  std::wstring name;
  std::wstring description;
};

// Splits the map's text (decoded by its byte-order mark or in the thread's code page) as
// a text-mode read does: Ctrl+Z ends the text, and tokens are separated by spaces, tabs,
// line ends, vertical tabs and form feeds. Tokens go in pairs
// (name, description); a last name without a description gets an empty one. A pair whose
// name or description is longer than its limit, or holds a NUL character, is left out
// whole: a cut name could name another file.
std::vector<MapPair> SplitVideoMap(const std::wstring& text);

// Locates and reads the video map and returns the videos whose files exist, in map
// order, icons not yet set. No map anywhere: an empty list without a box; a map that
// cannot be read: the warning, and an empty list. *note: what the page says on itself
// about what is missing (the map and where it was looked for, or the listed videos
// whose files are not there); empty when nothing is.
VideoList LoadVideoMap(std::wstring* note);

// Starts the reader with the manual; tells the user which of the two is missing.
void OpenManual();

// What the user is told when the shell's "open" of a video returned `result` (32 or
// less is a failure: no program for its type, a missing file, a system error); empty
// for a success.
std::wstring ShellOpenFailure(const std::wstring& path, intptr_t result);

}  // namespace course_page
