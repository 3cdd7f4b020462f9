// The simulated imaging of the end-to-end build (see sim_imaging.h).
#include "tests/e2e/sim/sim_imaging.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

namespace {

constexpr uint32_t kNotSupported = 50, kFileNotFound = 2;

class Simulated : public Imaging {
 public:
  WimHandle WimCreateFile(const std::wstring& path, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t* error) override {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      *error = kFileNotFound;
      return 0;
    }
    std::lock_guard<std::mutex> hold(lock_);
    files_[++last_] = path;
    return last_;
  }
  bool WimImageCount(WimHandle, uint32_t* count) override {
    *count = 1;
    return true;
  }
  bool WimSetTemporaryPath(WimHandle, const std::wstring&) override { return true; }
  bool WimImageInformation(WimHandle, std::wstring*) override { return false; }
  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override {
    std::lock_guard<std::mutex> hold(lock_);
    if (index != 1 || !files_.count(wim)) return 0;
    files_[++last_] = files_[wim];
    return last_;
  }
  uint32_t WimRegisterCallback(WimHandle, WimCallback, void*) override { return 0; }
  bool WimUnregisterCallback(WimHandle, WimCallback) override { return true; }
  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t, uint32_t* error) override {
    std::string from;
    {
      std::lock_guard<std::mutex> hold(lock_);
      for (wchar_t c : files_[image]) from.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    std::wstring marker = path + (path.back() == L'\\' ? L"" : L"\\") + L"applied-image.txt";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, from.data(), static_cast<DWORD>(from.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok) *error = GetLastError();
    return ok;
  }
  WimHandle WimCaptureImage(WimHandle, const std::wstring&, uint32_t, uint32_t* error) override {
    *error = kNotSupported;
    return 0;
  }
  bool WimCloseHandle(WimHandle) override { return true; }
  bool WimMountImageHandle(WimHandle, const std::wstring&, uint32_t, uint32_t* error) override {
    *error = kNotSupported;
    return false;
  }
  bool WimGetMountedImageHandle(const std::wstring&, uint32_t, WimHandle*, WimHandle*, uint32_t* error) override {
    *error = kNotSupported;
    return false;
  }
  bool WimUnmountImageHandle(WimHandle, uint32_t, uint32_t* error) override {
    *error = kNotSupported;
    return false;
  }

 private:
  std::mutex lock_;
  std::map<WimHandle, std::wstring> files_;   // handle -> the file it came from
  WimHandle last_ = 0;
};

}  // namespace

Imaging& SimImaging() {
  static Simulated imaging;
  return imaging;
}
