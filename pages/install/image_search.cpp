// The GHO search over the seam and the disk model's logical drives.
#include "pages/install/image_search.h"

#include <climits>
#include <cwctype>

#include "platform/disk.h"
#include "platform/format.h"
#include "platform/system.h"

namespace image_search {
namespace {

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

bool IsGhostImageName(const std::wstring& name) {
  static const wchar_t kExtension[] = L".gho";
  constexpr size_t kLength = 4;
  if (name.size() < kLength) return false;
  for (size_t i = 0; i < kLength; ++i)
    if (static_cast<wchar_t>(std::towlower(name[name.size() - kLength + i])) != kExtension[i]) return false;
  return true;
}

bool ReadDepthText(const std::wstring& text, int* depth) {
  size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  size_t digitsStart = at;
  long long value = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    if (value <= INT_MAX) value = value * 10 + (text[at] - L'0');
  }
  bool digits = at > digitsStart;
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (!digits || at != text.size()) {
    ShowMessage(L"Please enter an integer.", mbox::Ok | mbox::IconExclamation);
    return false;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  *depth = static_cast<int>(value);
  return true;
}

void SearchFolder(const std::wstring& folder, int depth, std::list<std::wstring>* found) {
  // One listing serves both passes: the subfolders first, then the folder's own images.
  const std::vector<FileEntry> entries = TheSeam().ListFolder(folder);
  for (const FileEntry& entry : entries) {
    if (!entry.isFolder || IsDotEntry(entry.name)) continue;
    std::wstring sub = folder + L"\\" + entry.name;
    if (CountBackslashes(sub) < depth) SearchFolder(sub, depth, found);
  }
  for (const FileEntry& entry : entries) {
    if (!entry.isFolder && IsGhostImageName(entry.name)) found->push_back(folder + L"\\" + entry.name);
  }
}

bool SearchDrives(int depth, std::list<std::wstring>* found) {
  if (depth < kMinDepth || depth > kMaxDepth) {
    ShowMessage(Format(L"目录深度输入不正确！\n请输入%d到%d之间的数字。", kMinDepth, kMaxDepth),
                mbox::Ok | mbox::IconExclamation);
    return false;
  }
  found->clear();
  for (const _PARTITION_LOGICAL& drive : TheDisk().logicalDrives) {
    if (drive.letter.size() == 2 && drive.letter[1] == L':') SearchFolder(drive.letter, depth, found);
  }
  return true;
}

}  // namespace image_search
