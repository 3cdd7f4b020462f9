// WimlibSeam: the fake machine over real files, with the WIM library as its imaging.
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

#include <memory>
#include <string>

#include "platform/imaging.h"
#include "tests/wimlib/real_files_seam.h"

class WimlibSeam : public RealFilesSeam {
 public:
  WimlibSeam(const std::string& root, const std::wstring& letters);
  ~WimlibSeam() override;

  // The imaging of this machine: the WIM library over its real files. The machine's own
  // imaging is still the fake's, so a test installs this one by name:
  // `ScopedSeam use{&seam, &seam.imaging(), &seam};`.
  Imaging& imaging();
  // Handles not closed yet (WIM files and images).
  size_t OpenHandles();

 private:
  class Library;
  std::unique_ptr<Library> library_;
};
