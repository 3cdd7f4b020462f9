// The copies of a boot-disk make over the seam: listing, size on disk, byte progress.
#include "pages/bootmedia/boot_disk_copy.h"

#include "platform/format.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace boot_disk {

namespace {

constexpr uint32_t kReparsePoint = 0x400;       // FILE_ATTRIBUTE_REPARSE_POINT
constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
constexpr uint64_t kCluster = 32 * 1024;        // the largest cluster a stick's FAT32 uses
// A file whose copy takes long enough on a slow stick (some seconds) for a stop to be
// seen waiting for it.
constexpr uint64_t kLargeFile = 64ull << 20;

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// Every path goes to the system in the form that has no limit of 260 characters; the
// items and what the user reads keep the plain one.
std::wstring Long(const std::wstring& path) { return ExtendedLengthPath(path); }

bool Unreadable(const std::wstring& path, ListingNotes* notes) {
  notes->unreadable = path;
  return false;
}

bool ListFolderItems(const std::wstring& folder, const std::wstring& relative, std::vector<CopyItem>* items,
                     ListingNotes* notes) {
  items->push_back({folder, relative, true, 0});
  for (const FileEntry& entry : TheSeam().ListFolder(Long(folder))) {
    if (IsDotEntry(entry.name)) continue;
    std::wstring path = folder + L"\\" + entry.name, inside = relative + L"\\" + entry.name;
    uint32_t attributes = TheSeam().FileAttributes(Long(path));
    if (attributes == kNoAttributes) return Unreadable(path, notes);
    if (attributes & kReparsePoint) {
      notes->links.push_back(path);
      continue;
    }
    if (entry.isFolder) {
      if (!ListFolderItems(path, inside, items, notes)) return false;
      continue;
    }
    CopyItem file{path, inside, false, 0};
    if (!TheSeam().FileSize(Long(path), &file.bytes)) return Unreadable(path, notes);
    items->push_back(file);
  }
  return true;
}

}  // namespace

bool ListCopyItems(const std::wstring& source, std::vector<CopyItem>* items, ListingNotes* notes) {
  FileEntry found;
  if (source.empty() || !TheSeam().FindFile(Long(source), &found)) return Unreadable(source, notes);
  if (!found.isFolder) {
    CopyItem file{source, found.name, false, 0};
    if (!TheSeam().FileSize(Long(source), &file.bytes)) return Unreadable(source, notes);
    items->push_back(file);
    return true;
  }
  // The chosen folder itself may be a link too: it is not followed either.
  uint32_t attributes = TheSeam().FileAttributes(Long(source));
  if (attributes == kNoAttributes || (attributes & kReparsePoint)) return Unreadable(source, notes);
  return ListFolderItems(source, found.name, items, notes);
}

uint64_t BytesOnDisk(const std::vector<CopyItem>& items) {
  uint64_t total = 0;
  for (const CopyItem& item : items) total += (item.folder ? 1 : (item.bytes + kCluster - 1) / kCluster) * kCluster;
  return total;
}

const CopyItem* FirstTooLargeForFat32(const std::vector<CopyItem>& items) {
  constexpr uint64_t kFat32Limit = 1ull << 32;   // a file's size must fit 32 bits
  for (const CopyItem& item : items)
    if (!item.folder && item.bytes >= kFat32Limit) return &item;
  return nullptr;
}

CopyEnd CopyItems(const std::vector<CopyItem>& items, const std::wstring& destination, int from, int to,
                  Progress& progress, CopyFailure* failure) {
  uint64_t total = 0, done = 0;
  for (const CopyItem& item : items) total += item.bytes;
  int shown = from;   // the caller has shown where the step starts
  auto show = [&](uint64_t copied) {
    if (copied > total) copied = total;   // a file that grew since it was listed
    int position = total == 0 ? to : from + static_cast<int>((to - from) * (static_cast<double>(copied) / total));
    // Posted only when it moves: thousands of small files, or the many chunks of a large
    // one, must not flood the window.
    if (position != shown) progress.Position(shown = position);
  };
  auto fail = [&](const std::wstring& path, uint32_t error) {
    *failure = {path, error};
    return CopyEnd::Failed;
  };
  if (!CreateFolderPath(destination)) return fail(destination, TheSeam().LastError());
  for (const CopyItem& item : items) {
    if (progress.Stopping()) return CopyEnd::Stopped;
    std::wstring target = destination + L"\\" + item.relative;
    if (item.folder) {
      if (!TheSeam().FindFile(Long(target), nullptr) && !TheSeam().MakeFolder(Long(target)))
        return fail(target, TheSeam().LastError());
      continue;
    }
    const uint64_t before = done;
    const std::wstring partial = target + L".part";
    uint32_t error = 0;
    const bool large = item.bytes >= kLargeFile;
    if (large) progress.StopNote(item.source);
    const bool copied = TheSeam().CopyFileReporting(Long(item.source), Long(partial),
                                                    [&](uint64_t bytes) { show(before + bytes); }, &error);
    if (large) progress.StopNote(std::wstring());
    if (!copied) {
      TheSeam().RemoveFile(Long(partial));   // where the disk still answers
      return fail(item.source, error);
    }
    if (!TheSeam().RenameReplacing(Long(partial), Long(target))) {
      error = TheSeam().LastError();
      TheSeam().RemoveFile(Long(partial));
      return fail(target, error);
    }
    done += item.bytes;
    show(done);
  }
  show(total);
  return CopyEnd::Done;
}

std::wstring FailureText(const std::wstring& stepFailure, const CopyFailure& failure) {
  return Format(L"%s\n%s\n%s(错误代码：%d)", stepFailure, failure.path, TheSeam().ErrorText(failure.error),
                static_cast<int>(failure.error));
}

}  // namespace boot_disk
