// The data folder's map files as text: the head read from disk, decoded by its
// byte-order mark or in the thread's code page, and split into lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace map_text {

// The bytes read of a map and whether the file goes on after them.
struct Head {
  std::string bytes;
  bool cut = false;
};

// Reads at most limit bytes of the map at path; false when it cannot be read.
bool ReadHead(const std::wstring& path, size_t limit, Head* head);

// The text of a map's bytes: UTF-8, UTF-16 LE or UTF-16 BE when they start with that
// byte-order mark (the mark itself dropped), otherwise the thread's ANSI code page.
// Broken sequences of the Unicode forms become U+FFFD.
std::wstring Decode(const std::string& bytes);

// One line of a map's text, without its line end, and where that end is in the text
// (the text's length for a last line without one).
struct Line {
  std::wstring text;
  size_t end = 0;
  size_t number = 0;   // from 1, as an editor counts the lines
};

// Splits text into lines ended by CR LF, a lone CR or a lone LF; the end of the text
// ends a last line without a line end, unless the text was cut off: then that line is
// left out whole, since the cut may have shortened any of its fields.
std::vector<Line> SplitLines(const std::wstring& text, bool cut);

// The bytes a text takes in the thread's ANSI code page: the limits of the map formats
// count those, whatever encoding the file itself uses.
size_t AnsiLength(const std::wstring& text);

}  // namespace map_text
