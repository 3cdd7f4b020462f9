// Benchmark of the waits users see (a measurement, not a test), run under Wine:
//   search DRIVE  the image search at depth 3 over the tree on DRIVE, against one plain
//                 FindFirstFileW walk of the same tree to the same depth;
//   software      the software catalogue (its map and 500 installers beside this program)
//                 loaded with its icons behind the progress dialog, against reading
//                 and parsing the map alone.
// Each is run several times, alternating, after a warm-up; prints every run, the medians
// and the median of the per-run ratios.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "pages/install/image_search.h"
#include "pages/toolbox/software_actions.h"
#include "pages/toolbox/software_dlg.h"
#include "platform/progress.h"

namespace {

constexpr int kRuns = 7;

double Now() {
  static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double TimeOf(const std::function<void()>& work) {
  const double start = Now();
  work();
  return Now() - start;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The plain walk: one FindFirstFileW listing per folder, the subfolders entered while
// their path holds fewer backslashes than the depth, the .gho files collected.
void PlainWalk(const std::wstring& folder, int depth, std::vector<std::wstring>* found) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == L"." || name == L"..") continue;
      const std::wstring sub = folder + L"\\" + name;
      if (std::count(sub.begin(), sub.end(), L'\\') < depth) PlainWalk(sub, depth, found);
    } else if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".gho") == 0) {
      found->push_back(folder + L"\\" + name);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// Prints the runs of two measurements and their ratio; the first of each is a warm-up.
void Compare(const char* what, const char* first, const std::function<void()>& a, const char* second,
             const std::function<void()>& b) {
  a();
  b();
  std::vector<double> as, bs, ratios;
  for (int i = 0; i < kRuns; ++i) {
    double ta, tb;
    if (i % 2) { tb = TimeOf(b); ta = TimeOf(a); } else { ta = TimeOf(a); tb = TimeOf(b); }
    as.push_back(ta);
    bs.push_back(tb);
    ratios.push_back(ta / tb);
    std::printf("%s run %d: %s %8.1f ms   %s %8.1f ms   ratio %5.2f\n", what, i + 1, first, ta, second, tb, ta / tb);
  }
  std::printf("%s median: %s %.1f ms, %s %.1f ms, ratio %.2f\n", what, first, Median(as), second, Median(bs),
              Median(ratios));
}

int SearchBench(const std::wstring& drive) {
  size_t searched = 0, walked = 0;
  Compare(
      "image search", "search", [&] {
        std::list<std::wstring> found;
        image_search::SearchFolder(drive, 3, &found);
        searched = found.size();
      },
      "plain walk", [&] {
        std::vector<std::wstring> found;
        PlainWalk(drive, 3, &found);
        walked = found.size();
      });
  std::printf("images found: search %zu, plain walk %zu\n", searched, walked);
  return searched == walked ? 0 : 1;
}

struct NoProgress : Progress {
  void Status(const std::wstring&) override {}
  void Position(int) override {}
  bool Stopping() const override { return false; }
  void Pause(int) override {}
  void AllowStop(bool) override {}
};

int SoftwareBench() {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 900, 500, nullptr, nullptr, nullptr, nullptr);
  size_t listed = 0, parsed = 0;
  Compare(
      "software catalogue", "behind the progress dialog, with icons", [&] {
        SoftwareDlg page;
        page.Create(parent);
        ShowWindow(page.hwnd(), SW_SHOW);   // the first show loads behind the progress dialog
        listed = static_cast<size_t>(ListView_GetItemCount(page.Item(IDC_SOFTWARE_LIST)));
      },
      "map alone", [&] {
        NoProgress progress;
        SoftwareList catalogue;
        software_page::LoadSoftwareCatalogue(progress, [](const std::wstring&) { return -1; }, &catalogue);
        parsed = catalogue.size();
      });
  DestroyWindow(parent);
  std::printf("entries: listed %zu, parsed %zu\n", listed, parsed);
  return listed == parsed && listed > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  if (argc == 3 && std::wstring(argv[1]) == L"search") return SearchBench(argv[2]);
  if (argc == 2 && std::wstring(argv[1]) == L"software") return SoftwareBench();
  std::fprintf(stderr, "usage: waits_bench search DRIVE | software\n");
  return 2;
}
