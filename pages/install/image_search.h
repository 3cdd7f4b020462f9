// The GHO search behind the image search dialog: every Ghost image on the machine's
// drives down to a folder depth, and the reading of the depth box.
#pragma once

#include <list>
#include <string>

namespace image_search {

constexpr int kDefaultDepth = 3;
constexpr int kMinDepth = 1;
constexpr int kMaxDepth = 10;

// Whether a file name matches "*.gho" as Windows matches it on the long name: any
// name ending in ".gho", whatever the case.
bool IsGhostImageName(const std::wstring& name);

// Reads the depth box the way the dialog's data exchange reads an integer: blanks,
// an optional sign, decimal digits, blanks, nothing else (an empty box is no integer).
// A number beyond the int range saturates. On failure the user gets
// "Please enter an integer." and *depth keeps its value.
bool ReadDepthText(const std::wstring& text, int* depth);

// Appends the full path of every Ghost image in folder to *found: first those of its
// subfolders whose path holds fewer than depth backslashes (recursively, in listing
// order), then its own. A folder that cannot be listed adds nothing.
void SearchFolder(const std::wstring& folder, int depth, std::list<std::wstring>* found);

// The search button: a depth outside 1..10 is refused with "目录深度输入不正确！" and
// *found is left as it was (false). Otherwise *found is replaced by the images of every
// logical drive of the disk model, drive by drive in the model's order (true).
bool SearchDrives(int depth, std::list<std::wstring>* found);

}  // namespace image_search
