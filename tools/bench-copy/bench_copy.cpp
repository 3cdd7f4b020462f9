// Copy benchmark of the boot-disk make: a tree of 2,000 small files and two images of
// 1 GB, copied as the make copies them (listed first, by bytes, with progress posted to a
// counting sink) and by a plain loop of CopyFileExW over the same files. Prints both
// throughputs and their ratio.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pages/bootmedia/boot_disk_copy.h"

namespace {

constexpr int kSmallFiles = 2000;
constexpr int kFolders = 20;
constexpr DWORD kSmallBytes = 16 * 1024;
constexpr ULONGLONG kImageBytes = 1ull << 30;

// Progress as a window would get it: every call counted, nothing shown.
class CountingProgress : public Progress {
 public:
  void Position(int) override { ++posts; }
  void Status(const std::wstring&) override { ++posts; }
  bool Stopping() const override { return false; }
  void Pause(int) override {}
  void AllowStop(bool) override {}
  long posts = 0;
};

bool WriteBytes(const std::wstring& path, ULONGLONG bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> block(1 << 20, 'r');
  bool ok = true;
  for (ULONGLONG left = bytes; ok && left > 0;) {
    DWORD now = static_cast<DWORD>(left < block.size() ? left : block.size()), written = 0;
    ok = WriteFile(file, block.data(), now, &written, nullptr) && written == now;
    left -= now;
  }
  CloseHandle(file);
  return ok;
}

bool MakeTree(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  for (int f = 0; f < kFolders; ++f) {
    std::wstring folder = root + L"\\dir" + std::to_wstring(f);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kSmallFiles / kFolders; ++i)
      if (!WriteBytes(folder + L"\\file" + std::to_wstring(i) + L".dat", kSmallBytes)) return false;
  }
  return WriteBytes(root + L"\\WIN732.GHO", kImageBytes) && WriteBytes(root + L"\\WIN1064.GHO", kImageBytes);
}

// The plain loop: the same folders made, every file copied with CopyFileExW.
bool PlainCopy(const std::vector<boot_disk::CopyItem>& items, const std::wstring& destination) {
  CreateDirectoryW(destination.c_str(), nullptr);
  for (const boot_disk::CopyItem& item : items) {
    std::wstring target = destination + L"\\" + item.relative;
    if (item.folder) {
      CreateDirectoryW(target.c_str(), nullptr);
    } else if (!CopyFileExW(item.source.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0)) {
      return false;
    }
  }
  return true;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fwprintf(stderr, L"usage: bench_copy.exe <empty work folder>\n");
    return 2;
  }
  const std::wstring work = argv[1], source = work + L"\\src";
  if (!MakeTree(source)) {
    fwprintf(stderr, L"cannot write the source tree\n");
    return 1;
  }
  LARGE_INTEGER frequency, start, listed, copied, plainStart, plainEnd;
  QueryPerformanceFrequency(&frequency);
  // The plain loop gets the listing for free: only its copies are timed.
  std::vector<boot_disk::CopyItem> items;
  QueryPerformanceCounter(&start);
  boot_disk::ListingNotes notes;
  if (!boot_disk::ListCopyItems(source, &items, &notes)) return 1;
  QueryPerformanceCounter(&listed);
  CountingProgress progress;
  boot_disk::CopyFailure failure;
  if (boot_disk::CopyItems(items, work + L"\\make", 20, 100, progress, &failure) != boot_disk::CopyEnd::Done) {
    fwprintf(stderr, L"make copy failed: %ls (%u)\n", failure.path.c_str(), failure.error);
    return 1;
  }
  QueryPerformanceCounter(&copied);
  QueryPerformanceCounter(&plainStart);
  if (!PlainCopy(items, work + L"\\plain")) return 1;
  QueryPerformanceCounter(&plainEnd);

  ULONGLONG bytes = 0;
  for (const auto& item : items) bytes += item.bytes;
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  const double make = Seconds(start, copied, frequency), plain = Seconds(plainStart, plainEnd, frequency);
  wprintf(L"items %u, %.0f MB\n", static_cast<unsigned>(items.size()), mb);
  wprintf(L"boot-disk copy: %.2f s (listing %.2f s), %.1f MB/s, %ld progress posts\n", make,
          Seconds(start, listed, frequency), mb / make, progress.posts);
  wprintf(L"plain CopyFileExW loop: %.2f s, %.1f MB/s\n", plain, mb / plain);
  wprintf(L"ratio (boot-disk copy / plain loop throughput): %.2f\n", plain / make);
  return 0;
}
