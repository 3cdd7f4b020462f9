// What the program's messages add to the design's texts: the full path of a file that was
// not found, and the system's own text for an error code.
#pragma once

#include <cstdint>
#include <string>

// The text with the path on a line of its own after it.
std::wstring WithPath(const std::wstring& text, const std::wstring& path);
// The first place LocateFile looks for a relative path, beside the program: the path a
// message names when the file was found nowhere.
std::wstring PathBesideProgram(const std::wstring& relativePath);

// The text with the line that says where the log of the run is, when there is one: the
// steps before a failure and their results are there.
std::wstring WithLogPlace(const std::wstring& text);

// The text with the system's own text for the code (the seam's ErrorText) on a line of
// its own after it; the text alone when the system has none or the code is 0.
std::wstring WithErrorText(const std::wstring& text, uint32_t code);
