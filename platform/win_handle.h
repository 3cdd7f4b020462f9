// WinHandle: one move-only owner for every kind of Win32 handle, closed exactly once.
//
// Each kind names its invalid value and its close function: files, devices and
// snapshots use INVALID_HANDLE_VALUE, most other handles null.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class WinHandle {
 public:
  using Type = typename Traits::Type;

  WinHandle() = default;
  explicit WinHandle(Type handle) : handle_(handle) {}
  ~WinHandle() { reset(); }
  WinHandle(WinHandle&& other) noexcept : handle_(other.release()) {}
  WinHandle& operator=(WinHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  WinHandle(const WinHandle&) = delete;
  WinHandle& operator=(const WinHandle&) = delete;

  Type get() const { return handle_; }
  bool valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }
  // Closes the handle held (if any) and takes another.
  void reset(Type handle = Traits::Invalid()) {
    if (valid()) Traits::Close(handle_);
    handle_ = handle;
  }
  Type release() {
    Type handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }
  // For calls that hand a new handle out through a pointer; the old one is closed first.
  Type* receive() {
    reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

namespace win_handle {
struct Kernel {              // process, thread, token, event
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};
struct File {                // CreateFileW, CreateToolhelp32Snapshot
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};
struct Find {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};
struct RegistryKey {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { RegCloseKey(h); }
};
struct Library {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { FreeLibrary(h); }
};
}  // namespace win_handle

using KernelHandle = WinHandle<win_handle::Kernel>;
using FileHandle = WinHandle<win_handle::File>;
using FindHandle = WinHandle<win_handle::Find>;
using RegistryKeyHandle = WinHandle<win_handle::RegistryKey>;
using LibraryHandle = WinHandle<win_handle::Library>;
