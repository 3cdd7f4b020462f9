// The harness itself under Wine: drive letters on folders of the test (C: included),
// stand-ins and their log, and the simulated machine reaching the program's decisions.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "resources/resource.h"
#include "tests/e2e/fixture.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ProcessRunning(const wchar_t* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
    found = lstrcmpiW(entry.szExeFile, name) == 0;
  CloseHandle(snapshot);
  return found;
}

bool Touch(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

TEST_F(RigmateE2EOnSystemDrive, DrivesOnFoldersOfTheTestAndStandInsWithTheirLog) {
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  ASSERT_TRUE(MapDrive(L'C', L"drive-c"));

  // What lands in the roots of C: and D: is the test's own; Windows keeps its C:.
  ASSERT_TRUE(Touch(L"D:\\probe.txt"));
  ASSERT_TRUE(Touch(L"C:\\probe.txt"));
  EXPECT_TRUE(Exists(InFolder(L"drive-d\\probe.txt")));
  EXPECT_TRUE(Exists(InFolder(L"drive-c\\probe.txt")));
  EXPECT_TRUE(Exists(L"C:\\windows\\system32\\kernel32.dll"));

  // A PE shell stand-in runs until the test ends and logs how it was started.
  StartStandIn(L"PECMD.EXE");
  EXPECT_TRUE(e2e::WaitUntil([] { return ProcessRunning(L"PECMD.EXE"); }, 5000));
  ASSERT_TRUE(e2e::WaitUntil([&] { return !StandInStarts().empty(); }, 5000));
  EXPECT_EQ(StandInStarts().front().folder, Folder());
  EXPECT_NE(StandInStarts().front().commandLine.find(L"PECMD.EXE"), std::wstring::npos);

  // The program starts and runs on these drives.
  ASSERT_TRUE(StartRigmate());
  EXPECT_EQ(e2e::TabCount(tab()), 7);
}

TEST_F(RigmateE2E, StandInBesideTheProgramLogsTheStartTheProgramGaveIt) {
  PlaceStandIn(ProgramFolder() + L"\\TeamViewer.exe");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  ASSERT_TRUE(StartRigmate());
  ASSERT_TRUE(e2e::ClickButton(Pages().at(0), IDC_REMOTE_CONTROL));
  ASSERT_TRUE(e2e::WaitUntil([&] { return !StandInStarts().empty(); }, 10000));
  std::vector<StandinRecord> starts = StandInStarts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].folder, ProgramFolder()) << "started in the program's own folder";
  EXPECT_TRUE(e2e::Boxes(app().id()).size() == 1u) << "no message";
}

TEST_F(RigmateE2E, SimulatedGptSystemDiskRefusesADosStageBackup) {
  DescribeMachine(
      "disk gpt 120G\n"
      "  part 1 100M type=efi name=\"EFI system partition\"\n"
      "  part 2 16M type=msr name=\"Microsoft reserved partition\"\n"
      "  part 3 119G letter=C: name=\"Basic data partition\"\n");
  ASSERT_TRUE(StartRigmate());
  ASSERT_TRUE(e2e::ClickButton(Pages().at(0), IDC_ONE_CLICK_BACKUP));

  e2e::Box box;   // refused before the question
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"不支持在桌面条件下对GPT分区进行安装", &box));
  EXPECT_EQ(box.caption, L"Rigmate");
  Shot("gpt-refused");
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));

  Settle();
  EXPECT_TRUE(app().Running());
  EXPECT_TRUE(Recorded().empty()) << "no restart";
}

// The whole desktop road of a DOS stage, to the restart: the simulated disk holds C: and
// D:, both drives stand on folders of the test, bcdedit.exe and attrib.exe are stand-ins
// beside the program, and the accepted restart is recorded instead of done.
TEST_F(RigmateE2EOnSystemDrive, DesktopBackupIsStagedAndTheRestartRecorded) {
  DescribeMachine("disk mbr 500G\n  part 1 100G letter=C: boot\n  part 2 400G letter=D:\n");
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  ASSERT_TRUE(MapDrive(L'C', L"drive-c"));
  PlaceSystemStandIn(L"bcdedit.exe");
  PlaceSystemStandIn(L"attrib.exe");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  ASSERT_TRUE(StartRigmate());

  ASSERT_TRUE(e2e::ClickButton(Pages().at(0), IDC_ONE_CLICK_BACKUP));
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？", &box));
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"配置完成，是否现在重启电脑？", &box));
  Shot("restart-question");
  EXPECT_TRUE(Exists(InFolder(L"drive-c\\kxldr.mbr"))) << "the loader in the root of the system drive";
  EXPECT_FALSE(StandInStarts().empty()) << "the boot entry went through bcdedit.exe";
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));

  DWORD code = 99;
  ASSERT_TRUE(app().WaitForExit(10000, &code)) << "an accepted restart ends the program";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Recorded(), std::vector<std::wstring>{L"restart"});
}

}  // namespace
