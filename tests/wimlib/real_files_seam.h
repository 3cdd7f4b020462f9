// RealFilesSeam: the fake machine with its drive letters backed by real folders.
//
// Each letter given to the constructor is a folder "<root>/<letter>" of the test's own
// scratch folder; the file calls on paths of those letters work on the real files there
// (names as UTF-8), everything else stays the FakeSeam's. FormatDrive empties the
// letter's folder when the scripted result is 0, so a format that should not have
// happened shows in the files.
#pragma once

#include <string>

#include "tests/fakes/fake_seam.h"

class RealFilesSeam : public FakeSeam {
 public:
  // letters: the drives, for example L"CDEF"; root: an existing empty folder.
  RealFilesSeam(const std::string& root, const std::wstring& letters);

  // The real path of a Windows path on one of the drives ("D:\a\b" -> "<root>/D/a/b");
  // empty when the path is not on one of them.
  std::string RealPath(const std::wstring& windowsPath);
  const std::string& root() const { return root_; }

  bool FindFile(const std::wstring& path, FileEntry* found) override;
  std::vector<FileEntry> ListFolder(const std::wstring& folder) override;
  bool MakeFolder(const std::wstring& path) override;
  bool RemoveFile(const std::wstring& path) override;
  bool ShellDelete(const std::wstring& path) override;
  bool ReadWholeFile(const std::wstring& path, std::string* bytes) override;
  bool WriteNewFile(const std::wstring& path, const std::string& bytes) override;
  uint32_t FileAttributes(const std::wstring& path) override;
  uint32_t FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) override;

 private:
  std::string root_;
  std::wstring letters_;
};
