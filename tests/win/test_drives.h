// Test drives for Windows tests: Wine drives mapped to empty folders of the build tree.
//
// tools/ctest-under-wine maps them before the wineserver starts (so that
// GetLogicalDriveStringsW, and with it the disk model, lists them) and names them in
// RIGMATE_TEST_DRIVES ("P:Q:R:"). A fixture derived from TestDrivesTest empties them
// before each test, after checking that each is labelled RIGMATE-TEST. Without them
// (the test program run by hand) the test is skipped.
//
// Name the suite so that it contains "OnTestDrives": such suites run alone, one at a
// time (tests/win/CMakeLists.txt), since they share the drives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TestDrivesTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // The i-th test drive ("P:"), or empty when there are fewer.
  std::wstring Drive(size_t i) const { return i < drives_.size() ? drives_[i] : std::wstring(); }

  // Plain Win32 helpers, independent of the code under test.
  static bool WriteFileBytes(const std::wstring& path, const std::string& bytes);   // makes the folders
  static std::string ReadFileBytes(const std::wstring& path);
  static bool MakeFolders(const std::wstring& folder);
  static bool Exists(const std::wstring& path);
  static bool EmptyFolder(const std::wstring& folder);   // removes everything below it

 private:
  std::vector<std::wstring> drives_;
};

// Sets an environment variable for the lifetime of the object (children inherit it).
class ScopedVariable {
 public:
  ScopedVariable(const std::wstring& name, const std::wstring& value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::wstring name_, former_;
  bool hadFormer_ = false;
};
