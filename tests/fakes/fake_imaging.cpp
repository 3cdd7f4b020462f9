// The imaging of the fake machine: scripted WIM files, their handles, callbacks and mounts.
#include "tests/fakes/fake_seam.h"

#include "platform/format.h"

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}  // namespace

FakeSeam::WimFile& FakeSeam::AddWimFile(const std::wstring& path) {
  Lock lock(mutex_);
  AddFile(path, "WIM");
  return wimFiles[Key(path)];
}

FakeSeam::WimFile* FakeSeam::WimFileOf(WimHandle handle) {
  auto open = wimHandles_.find(handle);
  if (open == wimHandles_.end()) return nullptr;
  auto file = wimFiles.find(open->second.file);
  return file == wimFiles.end() ? nullptr : &file->second;
}

void FakeSeam::SendWimMessages(WimHandle wim) {
  auto registered = wimCallbacks_.find(wim);
  if (registered == wimCallbacks_.end()) return;
  for (const WimMessage& message : wimMessages) {
    uintptr_t wParam = message.text.empty() ? message.wParam : reinterpret_cast<uintptr_t>(message.text.c_str());
    registered->second.first(message.id, wParam, message.lParam, registered->second.second);
  }
}

Imaging::WimHandle FakeSeam::WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition,
                                        uint32_t flags, uint32_t compression, uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(L"CreateFile " + path + L" " + Format(L"%X %u %u %u", access, disposition, flags, compression));
  constexpr uint32_t kCreateAlways = 2, kOpenExisting = 3, kFileNotFound = 2;
  std::wstring key = Key(path);
  if (wimCreateError != 0 || (disposition == kOpenExisting && !wimFiles.count(key))) {
    *error = wimCreateError != 0 ? wimCreateError : kFileNotFound;
    return 0;
  }
  if (disposition == kCreateAlways) {
    AddFile(path, "WIM");
    WimFile created;
    created.imageCount = 0;
    wimFiles[key] = created;
  }
  WimHandle handle = nextWimHandle_++;
  wimHandles_[handle] = WimOpen{key, 0, 0};
  wimOpenHandles.insert(handle);
  return handle;
}

bool FakeSeam::WimImageCount(WimHandle wim, uint32_t* count) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"GetAttributes %u", wim));
  WimFile* file = WimFileOf(wim);
  if (!file || file->attributesFail) return false;
  *count = file->imageCount;
  return true;
}

bool FakeSeam::WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"SetTemporaryPath %u %s", wim, folder));
  if (wimTemporaryPathFails || !WimFileOf(wim)) return false;
  wimTemporaryPath = folder;
  return true;
}

bool FakeSeam::WimImageInformation(WimHandle wim, std::wstring* xml) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"GetImageInformation %u", wim));
  WimFile* file = WimFileOf(wim);
  if (!file || file->xmlFails) return false;
  *xml = file->xml;
  return true;
}

Imaging::WimHandle FakeSeam::WimLoadImage(WimHandle wim, uint32_t index) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"LoadImage %u %u", wim, index));
  WimFile* file = WimFileOf(wim);
  if (!file || index < 1 || index > file->imageCount || file->unloadable.count(index)) return 0;
  WimHandle handle = nextWimHandle_++;
  wimHandles_[handle] = WimOpen{wimHandles_[wim].file, wim, index};
  wimOpenHandles.insert(handle);
  return handle;
}

uint32_t FakeSeam::WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"RegisterCallback %u", wim));
  if (wimCallbackRefused || !wimOpenHandles.count(wim)) return 0xFFFFFFFF;
  wimCallbacks_[wim] = {callback, user};
  return 0;
}

bool FakeSeam::WimUnregisterCallback(WimHandle wim, WimCallback callback) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"UnregisterCallback %u", wim));
  auto registered = wimCallbacks_.find(wim);
  if (registered == wimCallbacks_.end() || registered->second.first != callback || !wimOpenHandles.count(wim))
    return false;
  wimCallbacks_.erase(registered);
  return true;
}

bool FakeSeam::WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"ApplyImage %u %s %u", image, path, flags));
  auto open = wimHandles_.find(image);
  constexpr uint32_t kInvalidHandle = 6;
  if (open == wimHandles_.end() || open->second.index == 0 || !wimOpenHandles.count(image)) {
    *error = kInvalidHandle;
    return false;
  }
  SendWimMessages(open->second.wim);
  if (wimOperationError == 0) return true;
  *error = wimOperationError;
  return false;
}

Imaging::WimHandle FakeSeam::WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags,
                                          uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"CaptureImage %u %s %u", wim, path, flags));
  WimFile* file = WimFileOf(wim);
  constexpr uint32_t kInvalidHandle = 6;
  if (!file || !wimOpenHandles.count(wim)) {
    *error = kInvalidHandle;
    return 0;
  }
  SendWimMessages(wim);
  if (wimOperationError != 0) {
    *error = wimOperationError;
    return 0;
  }
  WimHandle handle = nextWimHandle_++;
  wimHandles_[handle] = WimOpen{wimHandles_[wim].file, wim, ++file->imageCount};
  wimOpenHandles.insert(handle);
  return handle;
}

bool FakeSeam::WimCloseHandle(WimHandle handle) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"CloseHandle %u", handle));
  return wimOpenHandles.erase(handle) == 1;
}

bool FakeSeam::WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags,
                                   uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"MountImageHandle %u %s %X", image, folder, flags));
  auto open = wimHandles_.find(image);
  constexpr uint32_t kInvalidHandle = 6, kPathNotFound = 3;
  if (open == wimHandles_.end() || open->second.index == 0 || !wimOpenHandles.count(image)) {
    *error = kInvalidHandle;
    return false;
  }
  if (wimMountError != 0 || !IsFolder(folder)) {
    *error = wimMountError != 0 ? wimMountError : kPathNotFound;
    return false;
  }
  wimMounts[folder] = Format(L"%s|%u", open->second.file, open->second.index);
  if (WimFile* file = WimFileOf(image))
    for (const auto& [relative, bytes] : file->mountedFiles) AddFile(folder + L"\\" + relative, bytes);
  return true;
}

bool FakeSeam::WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim,
                                        WimHandle* image, uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"GetMountedImageHandle %s %u", folder, flags));
  constexpr uint32_t kNotMounted = 2;   // nothing is mounted at that folder
  if (!wimMounts.count(folder)) {
    *error = kNotMounted;
    return false;
  }
  *wim = nextWimHandle_++;
  *image = nextWimHandle_++;
  wimHandles_[*wim] = WimOpen{folder, 0, 0};
  wimHandles_[*image] = WimOpen{folder, *wim, 1};
  wimOpenHandles.insert(*wim);
  wimOpenHandles.insert(*image);
  return true;
}

bool FakeSeam::WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) {
  Lock lock(mutex_);
  wimCalls.push_back(Format(L"UnmountImageHandle %u %u", image, flags));
  auto open = wimHandles_.find(image);
  constexpr uint32_t kInvalidHandle = 6;
  if (open == wimHandles_.end() || !wimOpenHandles.count(image)) {
    *error = kInvalidHandle;
    return false;
  }
  if (wimUnmountError != 0) {
    *error = wimUnmountError;
    return false;
  }
  wimMounts.erase(open->second.file);
  return true;
}

