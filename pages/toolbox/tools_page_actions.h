// What the tool pack page does, apart from its window: TOOLS.MAP read into records, the
// WEPE image mounted read-only and unmounted again (the imaging sequences themselves are
// deploy/wim_mount's), the list's category and search filters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "pages/toolbox/map_text.h"
#include "platform/progress.h"

// One tool of the map.
struct _PROGRAM {
  std::wstring strName;
  std::wstring strCategory;
  std::wstring strVersion;       // "%d.%d.%d.%d", empty when the executable has none
  std::wstring strPath;          // base folder followed directly by the map's path field
  std::wstring strDescription;
  int nImage = -1;               // the tool's icon in the page's image list
};

// One mounted pack.
struct _MOUNT {
  std::wstring strMountPath;     // mount root, a backslash, the WIM file's title
  std::wstring strWimPath;
  int nImageIndex = 2;
  int bMounted = 0;
  int bFolderOurs = 0;           // 1 when this run made the folder (or emptied it on Yes)
};

using ProgramList = std::list<_PROGRAM>;
using MountList = std::list<_MOUNT>;

namespace tools_page {

constexpr wchar_t kPeMap[] = L"X:\\Program Files\\TOOLS.MAP";
constexpr wchar_t kPeBaseFolder[] = L"X:\\Program Files";
constexpr wchar_t kAll[] = L"全部";
// The category combo's entries, in order; the first means no filter.
const std::vector<std::wstring>& Categories();

// Only this much of a map is read from disk.
constexpr size_t kMapReadBytes = 10240;
// Field room in the map's format, in bytes of the thread's code page, terminating zero
// included.
constexpr size_t kNameRoom = 36, kCategoryRoom = 20, kPathRoom = 128, kDescriptionRoom = 256;

// One line of the map, split into its fields.
struct MapLine {
  std::wstring name, category, path, description;
};

// Splits a map's text into tools: lines end at CR LF, CR or LF; fields are split at "|"
// and whatever follows a fourth "|" is dropped. Left out whole: empty lines, a line with
// a field longer than its room or holding a NUL character, and the line that the cut of
// a longer map reaches (a cut path could name another file).
std::vector<MapLine> SplitToolsMap(const std::wstring& text, bool cut);

// Where the loader hands its tools over, on the loader's thread.
struct ToolsOut {
  // A finished record, icon not yet set: the page adds the icon of strPath and takes it.
  std::function<void(_PROGRAM)> add;
  // The page shows what it has taken so far (WM_TOOLS_REFRESH).
  std::function<void()> refresh;
  // The page says on itself why its list stays empty: what is missing and where it was
  // looked for. Unset: nothing is said.
  std::function<void(const std::wstring& why)> note = {};
};

// Builds the records of a map's head (base folder + path field, file version) and hands
// them over in order, with a refresh after every fifth.
void ParseToolsMap(const map_text::Head& head, const std::wstring& baseFolder, const ToolsOut& out,
                   Progress& progress);
// A map found by path: the two warnings, or the tools and one more refresh.
void LoadToolsMap(const std::wstring& mapPath, const std::wstring& baseFolder, const ToolsOut& out,
                  Progress& progress);

// Prepares the mount folder, mounts and reads the pack's map; false when this pack is skipped.
// Once stopping, no box is shown and nothing new is started.
bool PrepareAndMount(_MOUNT* mount, const ToolsOut& out, Progress& progress);
// The desktop road: chooses the WEPE image, records its _MOUNT and mounts it.
void MountToolPacks(std::wstring* mountRoot, MountList* mounts, const ToolsOut& out, Progress& progress);
// The whole loader: the PE's own folder inside a PE, else the mounted pack. Returns 0.
unsigned ToolsLoadThread(std::wstring* mountRoot, MountList* mounts, const ToolsOut& out, Progress& progress);

// At page destruction: unmount each mounted pack and remove every mount folder; an
// unmount failure ends the clean-up at once.
void CleanUpMounts(const MountList& mounts);

// Row filters of the list.
bool InCategory(const _PROGRAM& program, const std::wstring& category);
bool MatchesSearch(const _PROGRAM& program, const std::wstring& text);

}  // namespace tools_page
