// Imaging: the Windows Imaging API (wimgapi.dll) as the program uses it, behind an
// interface of its own, apart from the rest of the machine (platform/seam.h).
//
// The product links the Win32 imaging (platform/imaging_win.cpp); the unit tests use the
// fake machine's (tests/fakes), the tests on real WIM files the WIM library's
// (tests/wimlib). The work done with it (apply, capture, mount, image lists) lives in
// deploy/, which owns every handle it is given (deploy/wim_handles.h).
//
// This header is portable: no <windows.h>, only standard types.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

class Imaging {
 public:
  virtual ~Imaging() = default;

  // Opaque handles of WIM files and of the images inside them; 0 is none. The library
  // and each of its functions are looked up once, on first use: a missing one makes
  // its call fail (error 126 or 127) instead of stopping the program.
  using WimHandle = uintptr_t;
  // The imaging message callback, called on the thread of the imaging call with the
  // message id, its wParam and lParam (a message about a file carries a pointer to the
  // file's wide-string path in wParam) and the registration's user data; it returns
  // WIM_MSG_SUCCESS (0) to let the call go on.
  using WimCallback = uint32_t (*)(uint32_t message, uintptr_t wParam, intptr_t lParam, void* user);

  // WIMCreateFile; on failure 0 and GetLastError's code in *error.
  virtual WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition,
                                  uint32_t flags, uint32_t compression, uint32_t* error) = 0;
  // WIMGetAttributes into a WIM_INFO block: its ImageCount.
  virtual bool WimImageCount(WimHandle wim, uint32_t* count) = 0;
  virtual bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) = 0;
  // WIMGetImageInformation: the image-information XML as text (the buffer is freed).
  virtual bool WimImageInformation(WimHandle wim, std::wstring* xml) = 0;
  virtual WimHandle WimLoadImage(WimHandle wim, uint32_t index) = 0;     // index from 1
  // WIMRegisterMessageCallback: the callback's index, or 0xFFFFFFFF (INVALID_CALLBACK_VALUE).
  virtual uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) = 0;
  virtual bool WimUnregisterCallback(WimHandle wim, WimCallback callback) = 0;
  // WIMApplyImage of a loaded image onto a folder; on failure GetLastError's code in *error.
  virtual bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) = 0;
  // WIMCaptureImage of a folder into the WIM file: the new image's handle, or 0 and the
  // error code.
  virtual WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags,
                                    uint32_t* error) = 0;
  // WIMCloseHandle. Called only by the owners of deploy/wim_handles.h.
  virtual bool WimCloseHandle(WimHandle handle) = 0;
  // WIMMountImageHandle of a loaded image onto an existing empty folder; on failure
  // GetLastError's code in *error.
  virtual bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags,
                                   uint32_t* error) = 0;
  // WIMGetMountedImageHandle of a mount folder: the handles of its WIM file and image.
  virtual bool WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim,
                                        WimHandle* image, uint32_t* error) = 0;
  // WIMUnmountImageHandle of a mounted image; flags 0 commits nothing.
  virtual bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) = 0;
};

// An imaging that hands every call to another one. Layers that change a few calls (the
// log) derive from it and override only those. Every method of Imaging is forwarded
// here: the assertion below stops the build when one is not.
class ForwardingImaging : public Imaging {
 public:
  explicit ForwardingImaging(Imaging& inner) : inner_(inner) {}

  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags,
                          uint32_t compression, uint32_t* error) override {
    return inner_.WimCreateFile(path, access, disposition, flags, compression, error);
  }
  bool WimImageCount(WimHandle wim, uint32_t* count) override { return inner_.WimImageCount(wim, count); }
  bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) override {
    return inner_.WimSetTemporaryPath(wim, folder);
  }
  bool WimImageInformation(WimHandle wim, std::wstring* xml) override { return inner_.WimImageInformation(wim, xml); }
  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override { return inner_.WimLoadImage(wim, index); }
  uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) override {
    return inner_.WimRegisterCallback(wim, callback, user);
  }
  bool WimUnregisterCallback(WimHandle wim, WimCallback callback) override {
    return inner_.WimUnregisterCallback(wim, callback);
  }
  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) override {
    return inner_.WimApplyImage(image, path, flags, error);
  }
  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags, uint32_t* error) override {
    return inner_.WimCaptureImage(wim, path, flags, error);
  }
  bool WimCloseHandle(WimHandle handle) override { return inner_.WimCloseHandle(handle); }
  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags, uint32_t* error) override {
    return inner_.WimMountImageHandle(image, folder, flags, error);
  }
  bool WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim, WimHandle* image,
                                uint32_t* error) override {
    return inner_.WimGetMountedImageHandle(folder, flags, wim, image, error);
  }
  bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) override {
    return inner_.WimUnmountImageHandle(image, flags, error);
  }

 private:
  Imaging& inner_;
};
static_assert(!std::is_abstract<ForwardingImaging>::value, "ForwardingImaging must forward every Imaging method");

// The imaging in use. Until SetImaging is called it is the build's default (the Win32
// imaging in the product and the end-to-end build).
Imaging& TheImaging();
// Replaces the imaging in use (tests, the log); nullptr goes back to the default.
void SetImaging(Imaging* imaging);
// Defined once per program: the imaging used when none was set.
Imaging& DefaultImaging();
