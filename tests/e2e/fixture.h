// The fixture of the end-to-end tests: a folder per test, the simulated machine, drive
// letters on folders of the test, stand-ins, the program itself on a virtual desktop,
// screenshots, and the clean-up whatever happens.
//
// A test sets up what the program will find, then calls StartRigmate():
//
//   TEST_F(RigmateE2EOnSystemDrive, Something) {       // it maps C:
//     DescribeMachine("disk mbr 500G\npart 1 100G letter=C:\npart 2 400G letter=D:\n");
//     if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP();   // D: is Folder()\drive-d
//     ASSERT_TRUE(MapDrive(L'C', L"drive-c"));          // staging files land in it
//     WriteFile(L"drive-d\\RigmateBackup.GHO", "image");
//     PlaceStandIn(ProgramFolder() + L"\\GHOST32.EXE");
//     SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
//     StartStandIn(L"PECMD.EXE");                       // a PE, until the test ends
//     ASSERT_TRUE(StartRigmate());
//     ASSERT_TRUE(e2e::ClickButton(Pages()[0], IDC_ONE_CLICK_RESTORE));
//     e2e::Box box;
//     ASSERT_TRUE(e2e::WaitForBox(app().id(), L"确定还原镜像文件", &box));
//     e2e::AnswerBox(box, IDYES);
//     ... StandInStarts(), Recorded() (restarts), files under InFolder(L"drive-c") …
//   }
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/driver/driver.h"
#include "tests/standin/standin_log.h"

class RigmateE2E : public ::testing::Test {
 protected:
  using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // ---- Before the start ------------------------------------------------------------
  // This test's own empty folder, under $RIGMATE_E2E_OUT/work (removed again at the
  // end when the test passed).
  const std::wstring& Folder() const { return folder_; }
  std::wstring InFolder(const std::wstring& relative) const { return folder_ + L"\\" + relative; }
  // Writes a file under Folder() (UTF-8 or raw bytes), making its folders.
  void WriteFile(const std::wstring& relative, const std::string& bytes);
  // The simulated machine's description (see tests/e2e/sim/sim_machine.h).
  void DescribeMachine(const std::string& description);
  // Points a drive letter at a folder under Folder() for this test and back at its former
  // target at the end. Windows lists a letter only if it was mapped when the wineserver
  // started: tools/ctest-under-wine maps D: for these tests. For C: the folder gets links
  // to every entry of the prefix's own C: root, so Windows keeps working while the files
  // the program writes into C:\ land in the folder; every program of the prefix sees
  // that C:, so only suites derived from RigmateE2EOnSystemDrive may map it (they run
  // alone). False (and the test should skip) when the letter is not listed.
  bool MapDrive(wchar_t letter, const std::wstring& relativeFolder);
  // A variable for the program (and the stand-ins started after it is set).
  void SetVariable(const std::wstring& name, const std::wstring& value);
  // Starts a copy of the stand-in (tests/standin) under this file name from Folder(),
  // logging to StandInLogPath(); a copy named PECMD.EXE (any case) keeps running for a
  // minute, or until the test ends. While it runs, every program of the Wine prefix
  // sees a PE: the end-to-end tests run one at a time, and the Windows tests that look
  // for PECMD.EXE run alone.
  e2e::Program& StartStandIn(const std::wstring& fileName, const Environment& extra = {});
  // Puts a copy of the stand-in at this path (GHOST32.EXE beside the program…). Copies
  // started by the program log to StandInLogPath() once the test has called
  // SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath()) before StartRigmate().
  void PlaceStandIn(const std::wstring& fullPath);
  // Puts a copy of the stand-in under this name ("bcdedit.exe") into the simulated
  // machine's system folder, C:\SimWindows\system32, from where the program starts
  // Windows' own tools (and nothing else) by their full path.
  void PlaceSystemStandIn(const std::wstring& name);
  static constexpr const wchar_t* kSystemFolder = L"C:\\SimWindows\\system32";
  // From here on the system folder is one of this test's own (pe\Windows\system32), off
  // C:, as a PE's lies on its own drive X:.
  void SystemFolderOfPe() { systemFolder_ = InFolder(L"pe\\Windows\\system32"); }
  std::wstring StandInLogPath() const { return InFolder(L"standin.log"); }
  // The starts the stand-ins recorded: working folder and command line of each.
  std::vector<StandinRecord> StandInStarts() const;

  // ---- The program -------------------------------------------------------------------
  // Where the program runs from: StartRigmate puts a copy of Rigmate-e2e.exe there as
  // Rigmate.exe, so that what a test places beside it (GHOST32.EXE, the Rigmate data
  // folder: WriteFile(L"program\\Rigmate\\SOFTWARE\\SOFT_MAP", …)) is the test's alone.
  std::wstring ProgramFolder() const { return InFolder(L"program"); }
  // Starts the program from ProgramFolder() and waits for its main window; build names
  // the build of the program in BuildFolder() that is copied there (Rigmate-e2e-nopayload.exe:
  // the program with a DOS-stage payload that lacks the outside components). Once the
  // program has ended, a test may start it again.
  // Beside it there is always a data folder (ProgramFolder()\Rigmate\GHO, empty unless
  // the test fills it) unless the test calls LeaveOutDataFolder() first: the program
  // tells at its start when it finds none.
  bool StartRigmate(const std::wstring& build = L"Rigmate-e2e.exe");
  void LeaveOutDataFolder() { dataFolder_ = false; }
  // Runs the program with these arguments (a job of its command line) from
  // ProgramFolder() and waits until it ends: false if it did not end within a minute.
  // Its exit code, and its standard output decoded from the ANSI code page.
  bool RunRigmate(const std::wstring& arguments, DWORD* exitCode, std::wstring* output,
                  const std::wstring& build = L"Rigmate-e2e.exe");
  // The current folder of RunRigmate's runs (by default the program's own).
  void RunIn(const std::wstring& folder) { runFolder_ = folder; }
  e2e::Program& app() { return app_; }
  HWND main() const { return main_; }
  HWND tab() const { return tab_; }
  // The seven page windows in tab order.
  std::vector<HWND> Pages() const;
  // What the simulated machine recorded (restarts), one entry per line.
  std::vector<std::wstring> Recorded() const;
  // Saves a screenshot as $RIGMATE_E2E_OUT/shots/<suite>.<test>-<name>.png.
  void Shot(const std::string& name);
  // Waits until posted input has been handled by the program's window thread.
  void Settle(int ms = 300);

  static std::wstring BuildFolder();   // where e2e_tests.exe and Rigmate-e2e.exe live

 private:
  // Copies the build to ProgramFolder() as Rigmate.exe and gives the environment it runs in.
  bool PlaceProgram(const std::wstring& build, std::wstring* exe, Environment* environment);

  std::wstring folder_;
  std::wstring machineFile_;
  Environment variables_;
  std::vector<std::pair<std::wstring, std::string>> drivesMapped_;  // dosdevices link, former target
  std::string systemDriveFolder_;   // host path of the folder standing in for C:, if any
  std::vector<std::unique_ptr<e2e::Program>> standIns_;
  e2e::Program app_;
  HWND main_ = nullptr;
  HWND tab_ = nullptr;
  bool dataFolder_ = true;
  std::wstring runFolder_;
  std::wstring systemFolder_ = kSystemFolder;
};

// The suite of the tests that map C: (MapDrive(L'C', …)): ctest runs them alone.
class RigmateE2EOnSystemDrive : public RigmateE2E {};
