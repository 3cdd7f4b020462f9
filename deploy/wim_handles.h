// Owners of the imaging API's handles: a WIM file, an image inside one, and a message
// callback registered with a WIM file. Each is move-only and undoes its handle exactly
// once, through the imaging that gave it, whatever road the work takes; nothing else
// closes a WIM handle.
#pragma once

#include <cstdint>
#include <string>

#include "platform/imaging.h"

// Values of the Windows Imaging API.
namespace wim {
constexpr uint32_t GenericRead = 0x80000000, GenericWrite = 0x40000000;
constexpr uint32_t CreateAlways = 2, OpenExisting = 3;
constexpr uint32_t CompressNone = 0, CompressXpress = 1, CompressLzx = 2, CompressLzms = 3;
constexpr uint32_t MsgProgress = 38008, MsgScanning = 38010, MsgError = 38015, MsgRetry = 38017,
                   MsgInfo = 38020, MsgWarning = 38021;
constexpr uint32_t MsgSuccess = 0;
constexpr uint32_t InvalidCallbackValue = 0xFFFFFFFF;
constexpr uint32_t GenericMount = 0x20000000;
constexpr uint32_t MountReadOnly = 0x200;   // WIM_FLAG_MOUNT_READONLY
}  // namespace wim

// One handle of the imaging API, closed by WimCloseHandle when the owner goes or is reset.
// Kind keeps a WIM file's owner and an image's owner apart.
template <typename Kind>
class WimOwner {
 public:
  WimOwner() = default;
  WimOwner(Imaging& imaging, Imaging::WimHandle handle) : imaging_(&imaging), handle_(handle) {}
  ~WimOwner() { reset(); }
  WimOwner(WimOwner&& other) noexcept : imaging_(other.imaging_), handle_(other.handle_) { other.handle_ = 0; }
  WimOwner& operator=(WimOwner&& other) noexcept {
    if (this != &other) {
      reset();
      imaging_ = other.imaging_;
      handle_ = other.handle_;
      other.handle_ = 0;
    }
    return *this;
  }
  WimOwner(const WimOwner&) = delete;
  WimOwner& operator=(const WimOwner&) = delete;

  Imaging::WimHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  // Closes the handle now (before a file it holds open is deleted, for one).
  void reset() {
    if (handle_) imaging_->WimCloseHandle(handle_);
    handle_ = 0;
  }

 private:
  Imaging* imaging_ = nullptr;
  Imaging::WimHandle handle_ = 0;
};

using WimFileHandle = WimOwner<struct WimFileKind>;
using WimImageHandle = WimOwner<struct WimImageKind>;

// WIMCreateFile through the imaging in use; an empty owner and the error code on failure.
WimFileHandle OpenWimFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t compression,
                          uint32_t* error);
// WIMLoadImage of one image (index from 1); an empty owner when it cannot be loaded.
WimImageHandle LoadWimImage(const WimFileHandle& file, uint32_t index);
// WIMGetMountedImageHandle of a mount folder: owners of both handles, or false and the code.
bool MountedWimImage(const std::wstring& folder, WimFileHandle* file, WimImageHandle* image, uint32_t* error);

// A message callback registered with a WIM file for the owner's lifetime. Declared after
// the file's owner, it is unregistered while the file is still open.
class WimCallbackRegistration {
 public:
  WimCallbackRegistration(const WimFileHandle& file, Imaging::WimCallback callback, void* user);
  ~WimCallbackRegistration();
  WimCallbackRegistration(const WimCallbackRegistration&) = delete;
  WimCallbackRegistration& operator=(const WimCallbackRegistration&) = delete;
  // False when the imaging refused the registration (INVALID_CALLBACK_VALUE).
  bool registered() const { return registered_; }

 private:
  Imaging& imaging_;
  Imaging::WimHandle file_;
  Imaging::WimCallback callback_;
  bool registered_;
};
