// WimlibSeam: the imaging calls on the WIM library, over the real files of the machine.
#include "tests/wimlib/wimlib_seam.h"

#include <wimlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Windows error codes given for the library's failures.
namespace winerr {
constexpr uint32_t FileNotFound = 2, PathNotFound = 3, AccessDenied = 5, InvalidHandle = 6,
                   NotEnoughMemory = 8, BadFormat = 11, ReadFault = 30, WriteFault = 29, SharingViolation = 32,
                   LockViolation = 33, NotSupported = 50, FileExists = 80, InvalidParameter = 87, DiskFull = 112,
                   RequestAborted = 1235, FileCorrupt = 1392, InternalError = 1359;
}

// The code of the file system's errno; fallback when errno says nothing useful.
uint32_t FromErrno(int error, uint32_t fallback) {
  switch (error) {
    case ENOENT: return winerr::FileNotFound;
    case ENOTDIR: return winerr::PathNotFound;
    case EACCES: case EPERM: case EROFS: return winerr::AccessDenied;
    case ENOSPC: case EFBIG: case EDQUOT: return winerr::DiskFull;
    case EEXIST: return winerr::FileExists;
    case EBUSY: return winerr::SharingViolation;
    case ENOMEM: return winerr::NotEnoughMemory;
    default: return fallback;
  }
}

uint32_t Win32Error(int code, int savedErrno) {
  switch (code) {
    case WIMLIB_ERR_SUCCESS: return 0;
    case WIMLIB_ERR_NOT_A_WIM_FILE: case WIMLIB_ERR_INVALID_HEADER: case WIMLIB_ERR_UNKNOWN_VERSION:
    case WIMLIB_ERR_IS_SPLIT_WIM: case WIMLIB_ERR_WIM_IS_ENCRYPTED:
      return winerr::BadFormat;
    case WIMLIB_ERR_DECOMPRESSION: case WIMLIB_ERR_IMAGE_COUNT: case WIMLIB_ERR_INTEGRITY:
    case WIMLIB_ERR_INVALID_CHUNK_SIZE: case WIMLIB_ERR_INVALID_COMPRESSION_TYPE:
    case WIMLIB_ERR_INVALID_INTEGRITY_TABLE: case WIMLIB_ERR_INVALID_LOOKUP_TABLE_ENTRY:
    case WIMLIB_ERR_INVALID_METADATA_RESOURCE: case WIMLIB_ERR_INVALID_RESOURCE_HASH:
    case WIMLIB_ERR_METADATA_NOT_FOUND: case WIMLIB_ERR_RESOURCE_NOT_FOUND: case WIMLIB_ERR_RESOURCE_ORDER:
    case WIMLIB_ERR_UNEXPECTED_END_OF_FILE: case WIMLIB_ERR_XML: case WIMLIB_ERR_INVALID_UTF16_STRING:
    case WIMLIB_ERR_WIM_IS_INCOMPLETE:
      return winerr::FileCorrupt;
    case WIMLIB_ERR_INVALID_IMAGE: case WIMLIB_ERR_INVALID_PARAM: return winerr::InvalidParameter;
    case WIMLIB_ERR_WIM_IS_READONLY: return winerr::AccessDenied;
    case WIMLIB_ERR_ALREADY_LOCKED: return winerr::LockViolation;
    case WIMLIB_ERR_NOMEM: return winerr::NotEnoughMemory;
    case WIMLIB_ERR_ABORTED_BY_PROGRESS: return winerr::RequestAborted;
    case WIMLIB_ERR_PATH_DOES_NOT_EXIST: return winerr::PathNotFound;
    case WIMLIB_ERR_UNSUPPORTED: case WIMLIB_ERR_FUSE: return winerr::NotSupported;
    // A read may also come short at the end of a truncated file (errno then 0).
    case WIMLIB_ERR_READ: return FromErrno(savedErrno, winerr::FileCorrupt);
    case WIMLIB_ERR_WRITE: case WIMLIB_ERR_RENAME: return FromErrno(savedErrno, winerr::WriteFault);
    case WIMLIB_ERR_OPEN: case WIMLIB_ERR_OPENDIR: case WIMLIB_ERR_STAT: case WIMLIB_ERR_READLINK:
    case WIMLIB_ERR_MKDIR: case WIMLIB_ERR_LINK: case WIMLIB_ERR_NOTDIR: case WIMLIB_ERR_MKNOD:
      return FromErrno(savedErrno, winerr::ReadFault);
    default: return winerr::InternalError;
  }
}

// UTF-16LE bytes to text, surrogate pairs joined (wchar_t holds a whole code point here).
std::wstring FromUtf16(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      uint32_t low = static_cast<uint8_t>(bytes[i + 2]) | static_cast<uint8_t>(bytes[i + 3]) << 8;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

// A callback registered with a WIM file handle.
struct Callback {
  Imaging::WimCallback function;
  void* user;
};

// What an imaging call in progress tells the callbacks of its WIM handle.
struct Progress {
  std::vector<Callback> callbacks;
  int lastPercent = -1;

  void Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    for (const auto& callback : callbacks) callback.function(message, wParam, lParam, callback.user);
  }
  void Percent(int percent) {
    if (percent == lastPercent) return;
    lastPercent = percent;
    Send(38008, static_cast<uintptr_t>(percent), 0);   // WIM_MSG_PROGRESS
  }
  void Bytes(uint64_t done, uint64_t total) {
    Percent(total == 0 ? 100 : static_cast<int>(done * 100 / total));
  }
};

std::wstring Wide(const wimlib_tchar* text);

enum wimlib_progress_status OnProgress(enum wimlib_progress_msg message, union wimlib_progress_info* info,
                                       void* context) {
  auto* progress = static_cast<Progress*>(context);
  switch (message) {
    case WIMLIB_PROGRESS_MSG_SCAN_BEGIN:
      progress->Send(38010, 0, 0);   // WIM_MSG_SCANNING
      break;
    case WIMLIB_PROGRESS_MSG_SCAN_END:
      progress->Percent(0);          // the writing begins
      break;
    case WIMLIB_PROGRESS_MSG_WRITE_STREAMS:
      progress->Bytes(info->write_streams.completed_bytes, info->write_streams.total_bytes);
      break;
    case WIMLIB_PROGRESS_MSG_EXTRACT_STREAMS:
      progress->Bytes(info->extract.completed_bytes, info->extract.total_bytes);
      break;
    case WIMLIB_PROGRESS_MSG_HANDLE_ERROR: {
      std::wstring path = Wide(info->handle_error.path);
      progress->Send(38015, reinterpret_cast<uintptr_t>(path.c_str()),   // WIM_MSG_ERROR
                     static_cast<intptr_t>(Win32Error(info->handle_error.error_code, errno)));
      break;
    }
    default:
      break;
  }
  return WIMLIB_PROGRESS_STATUS_CONTINUE;
}

// The library's texts are UTF-8 on this system.
std::wstring Wide(const wimlib_tchar* text) {
  std::wstring wide;
  if (!text) return wide;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  while (*bytes) {
    uint32_t code = *bytes++;
    int more = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
    if (more) code &= 0x3F >> more;
    for (; more > 0 && (*bytes & 0xC0) == 0x80; --more) code = code << 6 | (*bytes++ & 0x3F);
    wide.push_back(static_cast<wchar_t>(code));
  }
  return wide;
}

bool IsRealFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

void InitLibrary() {
  static const int once = [] {
    wimlib_global_init(0);
    std::atexit(wimlib_global_cleanup);
    return 0;
  }();
  (void)once;
}

int VisitNothing(const struct wimlib_dir_entry*, void*) { return 0; }

}  // namespace

// The imaging calls on the library, each as the API would answer it (see the header);
// a failure sets the machine's last error too.
class WimlibSeam::Library final : public Imaging {
 private:
  struct WimFile {          // behind a WIM file handle
    WIMStruct* wim = nullptr;
    std::string realPath;
    bool writable = false;
    std::wstring temporaryPath;
    std::vector<Callback> callbacks;
  };
  struct Image {            // behind an image handle
    WimHandle file = 0;
    int index = 0;
  };

 public:
  explicit Library(WimlibSeam& machine) : machine_(machine) {}
  ~Library() override {
    for (auto& entry : files_) wimlib_free(entry.second->wim);
  }

  // Handles not closed yet (WIM files and images).
  size_t OpenHandles() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return files_.size() + images_.size();
  }

  // Dispositions as CreateFileW reads them: 1 CREATE_NEW, 2 CREATE_ALWAYS, 3 OPEN_EXISTING,
  // 4 OPEN_ALWAYS. Access: GENERIC_WRITE asks for a writable WIM; creating needs it.
  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition,
                          uint32_t /*flags*/, uint32_t compression, uint32_t* error) override {
    InitLibrary();
    std::string real = machine_.RealPath(path);
    std::error_code ec;
    if (real.empty() || !IsRealFolder(std::filesystem::path(real).parent_path().string()))
      return Fail(winerr::PathNotFound, error), 0;
    bool exists = std::filesystem::exists(real, ec);
    bool writable = (access & 0x40000000) != 0;
    if (disposition < 1 || disposition > 4 || compression > 3) return Fail(winerr::InvalidParameter, error), 0;
    if (disposition == 1 && exists) return Fail(winerr::FileExists, error), 0;
    if (disposition == 3 && !exists) return Fail(winerr::FileNotFound, error), 0;
    bool create = disposition == 1 || disposition == 2 || (disposition == 4 && !exists);
    if (create) {
      if (!writable) return Fail(winerr::InvalidParameter, error), 0;
      // The API's compression values 0..3 (none, XPRESS, LZX, LZMS) are the library's.
      WIMStruct* empty = nullptr;
      int code = wimlib_create_new_wim(static_cast<enum wimlib_compression_type>(compression), &empty);
      if (code == 0) code = wimlib_write(empty, real.c_str(), WIMLIB_ALL_IMAGES, 0, 1);
      int savedErrno = errno;
      wimlib_free(empty);
      if (code != 0) return Fail(Win32Error(code, savedErrno), error), 0;
    }
    auto file = std::make_unique<WimFile>();
    file->realPath = real;
    file->writable = writable;
    int code = wimlib_open_wim(real.c_str(), writable ? WIMLIB_OPEN_FLAG_WRITE_ACCESS : 0, &file->wim);
    if (code != 0) return Fail(Win32Error(code, errno), error), 0;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    WimHandle handle = nextHandle_++;
    files_[handle] = std::move(file);
    return handle;
  }

  bool WimImageCount(WimHandle wim, uint32_t* count) override {
    WimFile* file = FileOf(wim);
    if (!file || !file->wim) return Fail(winerr::InvalidHandle, nullptr);
    struct wimlib_wim_info info;
    int code = wimlib_get_wim_info(file->wim, &info);
    if (code != 0) return Fail(Win32Error(code, errno), nullptr);
    *count = info.image_count;
    return true;
  }

  bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) override {
    WimFile* file = FileOf(wim);
    if (!file) return Fail(winerr::InvalidHandle, nullptr);
    if (!IsRealFolder(machine_.RealPath(folder))) return Fail(winerr::PathNotFound, nullptr);
    file->temporaryPath = folder;
    return true;
  }

  bool WimImageInformation(WimHandle handle, std::wstring* xml) override {
    int index = 0;
    WimFile* file = FileOf(handle);
    if (!file) file = FileOfImage(handle, &index);
    if (!file || !file->wim) return Fail(winerr::InvalidHandle, nullptr);
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    int code = out ? wimlib_extract_xml_data(file->wim, out) : WIMLIB_ERR_NOMEM;
    if (out) std::fclose(out);
    std::string bytes(buffer ? buffer : "", size);
    std::free(buffer);
    if (code != 0) return Fail(Win32Error(code, errno), nullptr);
    std::wstring whole = FromUtf16(bytes);
    if (index == 0) {
      *xml = whole;
      return true;
    }
    std::wstring open = L"<IMAGE INDEX=\"" + std::to_wstring(index) + L"\">";
    size_t begin = whole.find(open), end = whole.find(L"</IMAGE>", begin);
    if (begin == std::wstring::npos || end == std::wstring::npos) return Fail(winerr::FileCorrupt, nullptr);
    *xml = whole.substr(begin, end + 8 - begin);
    return true;
  }

  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override {
    WimFile* file = FileOf(wim);
    if (!file || !file->wim) return Fail(winerr::InvalidHandle, nullptr), 0;
    struct wimlib_wim_info info;
    if (wimlib_get_wim_info(file->wim, &info) != 0 || index < 1 || index > info.image_count)
      return Fail(winerr::InvalidParameter, nullptr), 0;
    // Visiting the root reads the image's metadata.
    int code = wimlib_iterate_dir_tree(file->wim, static_cast<int>(index), WIMLIB_WIM_ROOT_PATH, 0, &VisitNothing,
                                       nullptr);
    if (code != 0) return Fail(Win32Error(code, errno), nullptr), 0;
    return NewImageHandle(wim, static_cast<int>(index));
  }

  uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) override {
    WimFile* file = FileOf(wim);
    if (!file || !callback) return Fail(winerr::InvalidHandle, nullptr), 0xFFFFFFFF;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    file->callbacks.push_back(Callback{callback, user});
    return static_cast<uint32_t>(file->callbacks.size() - 1);
  }

  // Without a function every callback of the handle goes, as the API does.
  bool WimUnregisterCallback(WimHandle wim, WimCallback callback) override {
    WimFile* file = FileOf(wim);
    if (!file) return Fail(winerr::InvalidHandle, nullptr);
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto& list = file->callbacks;
    size_t before = list.size();
    for (auto it = list.begin(); it != list.end();)
      it = !callback || it->function == callback ? list.erase(it) : it + 1;
    return list.size() != before || Fail(winerr::InvalidParameter, nullptr);
  }

  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t /*flags*/, uint32_t* error) override {
    int index = 0;
    WimFile* file = FileOfImage(image, &index);
    if (!file || !file->wim) return Fail(winerr::InvalidHandle, error);
    std::string target = machine_.RealPath(path);
    if (!IsRealFolder(target)) return Fail(winerr::PathNotFound, error);
    Progress progress;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      progress.callbacks = file->callbacks;
    }
    wimlib_register_progress_function(file->wim, &OnProgress, &progress);
    progress.Percent(0);
    int code = wimlib_extract_image(file->wim, index, target.c_str(), 0);
    int savedErrno = errno;
    wimlib_register_progress_function(file->wim, nullptr, nullptr);
    if (code != 0) return Fail(Win32Error(code, savedErrno), error);
    progress.Percent(100);
    return true;
  }

  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t /*flags*/,
                            uint32_t* error) override {
    WimFile* file = FileOf(wim);
    if (!file || !file->wim) return Fail(winerr::InvalidHandle, error), 0;
    if (!file->writable) return Fail(winerr::AccessDenied, error), 0;
    std::string source = machine_.RealPath(path);
    if (!IsRealFolder(source)) return Fail(winerr::PathNotFound, error), 0;
    Progress progress;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      progress.callbacks = file->callbacks;
    }
    wimlib_register_progress_function(file->wim, &OnProgress, &progress);
    int code = wimlib_add_image(file->wim, source.c_str(), nullptr, nullptr, 0);
    struct wimlib_wim_info info;
    wimlib_get_wim_info(file->wim, &info);
    int index = static_cast<int>(info.image_count);
    bool written = false;
    if (code == 0) {
      code = wimlib_overwrite(file->wim, 0, 0);
      written = true;
    }
    int savedErrno = errno;
    if (written) {
      Reopen(file);
    } else {
      wimlib_register_progress_function(file->wim, nullptr, nullptr);
    }
    if (code != 0) return Fail(Win32Error(code, savedErrno), error), 0;
    progress.Percent(100);
    return NewImageHandle(wim, index);
  }

  // Closing a WIM file handle leaves its image handles without a file: their calls fail.
  bool WimCloseHandle(WimHandle handle) override {
    std::unique_ptr<WimFile> closed;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      if (images_.erase(handle)) return true;
      auto it = files_.find(handle);
      if (it == files_.end()) return Fail(winerr::InvalidHandle, nullptr);
      closed = std::move(it->second);
      files_.erase(it);
    }
    wimlib_free(closed->wim);
    return true;
  }

  bool WimMountImageHandle(WimHandle, const std::wstring&, uint32_t, uint32_t* error) override {
    return Fail(winerr::NotSupported, error);
  }

  bool WimGetMountedImageHandle(const std::wstring&, uint32_t, WimHandle* wim, WimHandle* image,
                                uint32_t* error) override {
    if (wim) *wim = 0;
    if (image) *image = 0;
    return Fail(winerr::NotSupported, error);
  }

  bool WimUnmountImageHandle(WimHandle, uint32_t, uint32_t* error) override {
    return Fail(winerr::NotSupported, error);
  }

 private:
  bool Fail(uint32_t code, uint32_t* error) {
    machine_.lastError = code;
    if (error) *error = code;
    return false;
  }

  // A WIM file handle's file, else nullptr.
  WimFile* FileOf(WimHandle handle) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = files_.find(handle);
    return it == files_.end() ? nullptr : it->second.get();
  }

  // An image handle's file, and the image's index.
  WimFile* FileOfImage(WimHandle handle, int* index) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = images_.find(handle);
    if (it == images_.end()) return nullptr;
    *index = it->second.index;
    return FileOf(it->second.file);
  }

  WimHandle NewImageHandle(WimHandle file, int index) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    WimHandle handle = nextHandle_++;
    images_[handle] = Image{file, index};
    return handle;
  }

  // Opens the file again after a write, which leaves the library's WIM unusable.
  void Reopen(WimFile* file) {
    wimlib_free(file->wim);
    file->wim = nullptr;
    wimlib_open_wim(file->realPath.c_str(), file->writable ? WIMLIB_OPEN_FLAG_WRITE_ACCESS : 0, &file->wim);
  }

  WimlibSeam& machine_;
  std::recursive_mutex mutex_;
  std::map<WimHandle, std::unique_ptr<WimFile>> files_;
  std::map<WimHandle, Image> images_;
  WimHandle nextHandle_ = 1;
};

WimlibSeam::WimlibSeam(const std::string& root, const std::wstring& letters)
    : RealFilesSeam(root, letters), library_(std::make_unique<Library>(*this)) {}

WimlibSeam::~WimlibSeam() = default;

Imaging& WimlibSeam::imaging() { return *library_; }

size_t WimlibSeam::OpenHandles() { return library_->OpenHandles(); }
