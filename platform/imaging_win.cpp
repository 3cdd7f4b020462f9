// The Win32 imaging: each method a thin mapping onto the wimgapi.dll function it names.
// The library and each of its functions are looked up once, on first use; a missing one
// makes its call fail with 126 or 127 and is written to the imaging log.
#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/imaging.h"
#include "platform/seam_win.h"

namespace {

// wimgapi.dll, loaded once for the whole run; null when missing.
HMODULE Wimgapi() {
  static HMODULE module = [] {
    HMODULE loaded = SystemLibrary(L"wimgapi.dll");
    if (!loaded) {
      std::fputs("ERROR: wimgapi.dll [err = 126]\n", stdout);
      std::fflush(stdout);
    }
    return loaded;
  }();
  return module;
}

// What the imaging API's callback hands on to a portable callback.
struct Registration {
  Imaging::WimCallback callback;
  void* user;
};

// One function of wimgapi.dll; a missing one is written once to standard output, the
// imaging log of the program, since nothing else would say why every imaging call fails.
template <typename Function>
Function WimgapiFunction(const char* name) {
  HMODULE module = Wimgapi();
  if (!module) return nullptr;
  auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!function) {
    std::printf("ERROR: wimgapi.dll!%s [err = 127]\n", name);
    std::fflush(stdout);
  }
  return function;
}

// The error of a call whose function could not be found.
DWORD MissingFunctionError() { return Wimgapi() ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND; }

HANDLE AsHandle(Imaging::WimHandle handle) { return reinterpret_cast<HANDLE>(handle); }
Imaging::WimHandle FromHandle(HANDLE handle) { return reinterpret_cast<Imaging::WimHandle>(handle); }

// The one callback registered with the imaging API: hands every message to the portable
// callback of its registration.
DWORD CALLBACK WimCallbackBridge(DWORD message, WPARAM wParam, LPARAM lParam, PVOID user) {
  auto* registration = static_cast<Registration*>(user);
  return registration->callback(message, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam),
                                registration->user);
}

class Win32Imaging final : public Imaging {
 public:
  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition,
                          uint32_t flags, uint32_t compression, uint32_t* error) override {
    using Function = HANDLE(WINAPI*)(PCWSTR, DWORD, DWORD, DWORD, DWORD, PDWORD);
    static const auto create = WimgapiFunction<Function>("WIMCreateFile");
    if (!create) {
      *error = MissingFunctionError();
      return 0;
    }
    DWORD creationResult = 0;
    HANDLE wim = create(path.c_str(), access, disposition, flags, compression, &creationResult);
    *error = wim ? 0 : GetLastError();
    return FromHandle(wim);
  }

  bool WimImageCount(WimHandle wim, uint32_t* count) override {
    // WIM_INFO as wimgapi.h lays it out; the engine reads only ImageCount.
    struct WimInfo {
      WCHAR wimPath[MAX_PATH];
      GUID guid;
      DWORD imageCount, compressionType;
      USHORT partNumber, totalParts;
      DWORD bootIndex, wimAttributes, wimFlagsAndAttr;
    };
    static_assert(sizeof(WimInfo) == 560, "WIM_INFO is 560 bytes");
    using Function = BOOL(WINAPI*)(HANDLE, PVOID, DWORD);
    static const auto getAttributes = WimgapiFunction<Function>("WIMGetAttributes");
    WimInfo info = {};
    if (!getAttributes || !getAttributes(AsHandle(wim), &info, sizeof(info))) return false;
    *count = info.imageCount;
    return true;
  }

  bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) override {
    using Function = BOOL(WINAPI*)(HANDLE, PCWSTR);
    static const auto setTemporaryPath = WimgapiFunction<Function>("WIMSetTemporaryPath");
    if (!setTemporaryPath) {
      SetLastError(MissingFunctionError());
      return false;
    }
    return setTemporaryPath(AsHandle(wim), folder.c_str()) != FALSE;
  }

  bool WimImageInformation(WimHandle wim, std::wstring* xml) override {
    using Function = BOOL(WINAPI*)(HANDLE, PVOID*, PDWORD);
    static const auto getInformation = WimgapiFunction<Function>("WIMGetImageInformation");
    PVOID buffer = nullptr;
    DWORD bytes = 0;
    if (!getInformation || !getInformation(AsHandle(wim), &buffer, &bytes) || !buffer) return false;
    xml->assign(static_cast<const wchar_t*>(buffer), bytes / sizeof(wchar_t));
    LocalFree(buffer);
    return true;
  }

  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override {
    using Function = HANDLE(WINAPI*)(HANDLE, DWORD);
    static const auto loadImage = WimgapiFunction<Function>("WIMLoadImage");
    if (!loadImage) {
      SetLastError(MissingFunctionError());
      return 0;
    }
    return FromHandle(loadImage(AsHandle(wim), index));
  }

  uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) override {
    using Function = DWORD(WINAPI*)(HANDLE, FARPROC, PVOID);
    static const auto registerCallback = WimgapiFunction<Function>("WIMRegisterMessageCallback");
    constexpr uint32_t kInvalidCallbackValue = 0xFFFFFFFF;
    if (!registerCallback) return kInvalidCallbackValue;
    auto registration = std::make_unique<Registration>(Registration{callback, user});
    DWORD index = registerCallback(AsHandle(wim), reinterpret_cast<FARPROC>(reinterpret_cast<void*>(
                                                      &WimCallbackBridge)), registration.get());
    if (index != kInvalidCallbackValue) {
      std::lock_guard<std::mutex> hold(lock_);
      callbacks_[{wim, callback}] = std::move(registration);
    }
    return index;
  }

  bool WimUnregisterCallback(WimHandle wim, WimCallback callback) override {
    using Function = BOOL(WINAPI*)(HANDLE, FARPROC);
    static const auto unregisterCallback = WimgapiFunction<Function>("WIMUnregisterMessageCallback");
    bool unregistered = unregisterCallback &&
                        unregisterCallback(AsHandle(wim), reinterpret_cast<FARPROC>(reinterpret_cast<void*>(
                                                              &WimCallbackBridge)));
    std::lock_guard<std::mutex> hold(lock_);
    callbacks_.erase({wim, callback});
    return unregistered;
  }

  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) override {
    using Function = BOOL(WINAPI*)(HANDLE, PCWSTR, DWORD);
    static const auto applyImage = WimgapiFunction<Function>("WIMApplyImage");
    if (!applyImage) {
      *error = MissingFunctionError();
      return false;
    }
    if (applyImage(AsHandle(image), path.c_str(), flags)) return true;
    *error = GetLastError();
    return false;
  }

  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags,
                            uint32_t* error) override {
    using Function = HANDLE(WINAPI*)(HANDLE, PCWSTR, DWORD);
    static const auto captureImage = WimgapiFunction<Function>("WIMCaptureImage");
    if (!captureImage) {
      *error = MissingFunctionError();
      return 0;
    }
    HANDLE image = captureImage(AsHandle(wim), path.c_str(), flags);
    if (!image) *error = GetLastError();
    return FromHandle(image);
  }

  bool WimCloseHandle(WimHandle handle) override {
    using Function = BOOL(WINAPI*)(HANDLE);
    static const auto closeHandle = WimgapiFunction<Function>("WIMCloseHandle");
    return closeHandle && closeHandle(AsHandle(handle));
  }

  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags,
                           uint32_t* error) override {
    using Function = BOOL(WINAPI*)(HANDLE, PCWSTR, DWORD);
    static const auto mountImage = WimgapiFunction<Function>("WIMMountImageHandle");
    if (!mountImage) {
      *error = MissingFunctionError();
      return false;
    }
    if (mountImage(AsHandle(image), folder.c_str(), flags)) return true;
    *error = GetLastError();
    return false;
  }

  bool WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim,
                                WimHandle* image, uint32_t* error) override {
    using Function = BOOL(WINAPI*)(PCWSTR, DWORD, PHANDLE, PHANDLE);
    static const auto getMounted = WimgapiFunction<Function>("WIMGetMountedImageHandle");
    if (!getMounted) {
      *error = MissingFunctionError();
      return false;
    }
    HANDLE wimHandle = nullptr, imageHandle = nullptr;
    if (!getMounted(folder.c_str(), flags, &wimHandle, &imageHandle)) {
      *error = GetLastError();
      return false;
    }
    *wim = FromHandle(wimHandle);
    *image = FromHandle(imageHandle);
    return true;
  }

  bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) override {
    using Function = BOOL(WINAPI*)(HANDLE, DWORD);
    static const auto unmountImage = WimgapiFunction<Function>("WIMUnmountImageHandle");
    if (!unmountImage) {
      *error = MissingFunctionError();
      return false;
    }
    if (unmountImage(AsHandle(image), flags)) return true;
    *error = GetLastError();
    return false;
  }

 private:
  // Registrations live from WimRegisterCallback to WimUnregisterCallback of the same pair.
  std::mutex lock_;
  std::map<std::pair<WimHandle, WimCallback>, std::unique_ptr<Registration>> callbacks_;
};

}  // namespace

Imaging& WindowsImaging() {
  static Win32Imaging imaging;
  return imaging;
}
