// WimlibSeam: the imaging calls of the seam on the WIM library, over real files.
//
// The machine is a RealFilesSeam (drive letters backed by folders of the test); the
// imaging calls work on real WIM files there, so what a capture writes can be read by
// other tools and what an apply writes can be compared with what was captured.
//
// How the imaging API's calls are carried over, where the library differs:
// - A WIM file handle holds the library's open WIM. Creating a file writes an empty WIM
//   at once, as the API creates its file when the handle is made; the compression
//   type counts only for a file being created (an existing file keeps its own).
// - A capture scans the folder into a new image and writes it into the file before it
//   returns: the library's in-place append, which leaves an existing file as it was
//   when the write fails. The image gets no name, as the API's capture gives none.
// - Loading an image reads its metadata, so a damaged image fails at the load.
// - Image information of a WIM handle is the file's whole XML (<WIM> with each
//   <IMAGE>), of an image handle only that image's <IMAGE> element; both as the file
//   holds them (UTF-16, byte-order mark first).
// - The library needs no temporary folder for these calls: the path must name an
//   existing folder and is kept, nothing more.
// - Messages to the registered callbacks of the WIM handle: WIM_MSG_SCANNING when the
//   scan begins; WIM_MSG_PROGRESS with the percent of bytes written or extracted, each
//   time it changes, 0 when the writing or extraction begins and 100 when it is done
//   (lParam, the API's estimate of the time left, is 0: the library gives none);
//   WIM_MSG_ERROR with the path and the system error code for a file the scan cannot
//   read (the operation then fails, as when the API's callback answers WIM_MSG_SUCCESS).
// - Failures give Windows error codes: those of the file system from errno (2, 3, 5,
//   80, 112 for a full disk or a file size limit, ...), 11 for a file that is not a WIM,
//   1392 for a WIM whose contents are damaged, 87 for an image index that does not exist.
// - Mounting is not available: the library mounts through a FUSE daemon that forks the
//   process. The mount calls fail with 50 (ERROR_NOT_SUPPORTED).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/wimlib/real_files_seam.h"

struct WIMStruct;

class WimlibSeam : public RealFilesSeam {
 public:
  using RealFilesSeam::RealFilesSeam;
  ~WimlibSeam() override;

  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags,
                          uint32_t compression, uint32_t* error) override;
  bool WimImageCount(WimHandle wim, uint32_t* count) override;
  bool WimSetTemporaryPath(WimHandle wim, const std::wstring& folder) override;
  bool WimImageInformation(WimHandle wim, std::wstring* xml) override;
  WimHandle WimLoadImage(WimHandle wim, uint32_t index) override;
  uint32_t WimRegisterCallback(WimHandle wim, WimCallback callback, void* user) override;
  bool WimUnregisterCallback(WimHandle wim, WimCallback callback) override;
  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  bool WimCloseHandle(WimHandle handle) override;
  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags, uint32_t* error) override;
  bool WimGetMountedImageHandle(const std::wstring& folder, uint32_t flags, WimHandle* wim, WimHandle* image,
                                uint32_t* error) override;
  bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) override;

  // Handles not closed yet (WIM files and images).
  size_t OpenHandles();

  struct Callback {
    WimCallback function;
    void* user;
  };

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

  WimFile* FileOf(WimHandle handle);                 // a WIM file handle's, else nullptr
  WimFile* FileOfImage(WimHandle handle, int* index);  // an image handle's file
  WimHandle NewImageHandle(WimHandle file, int index);
  bool Fail(uint32_t code, uint32_t* error);
  // Opens the file again after a write, which leaves the library's WIM unusable.
  void Reopen(WimFile* file);

  std::recursive_mutex mutex_;
  std::map<WimHandle, std::unique_ptr<WimFile>> files_;
  std::map<WimHandle, Image> images_;
  WimHandle nextHandle_ = 1;
};
