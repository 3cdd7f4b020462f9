// The system utilities on the fake machine: searches, copies, process starts, restart, Windows facts.
#include <gtest/gtest.h>

#include "platform/data_folder.h"
#include "platform/disk.h"
#include "platform/message_text.h"
#include "platform/system.h"
#include "tests/fakes/fake_seam.h"

namespace {

const wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

class SystemTest : public ::testing::Test {
 protected:
  SystemTest() : use_(&fake) { fake.modulePath = L"C:\\Rigmate\\Rigmate.exe"; }
  // The drive searches walk the disk model's letters: read them after the files are set.
  void ReadDrives() { TheDisk().Refresh(); }
  size_t ShellCalls() const {
    size_t n = 0;
    for (const auto& op : fake.fileOps)
      if (op.op == FakeSeam::Op::ShellCopy || op.op == FakeSeam::Op::ShellDelete) ++n;
    return n;
  }

  FakeSeam fake;
  ScopedSeam use_;
};

}  // namespace

TEST_F(SystemTest, PathExistsKnowsBareDrivesButNotRootsWithBackslash) {
  fake.SetDrives(L"CD");
  fake.AddFile(L"D:\\x.txt");
  EXPECT_TRUE(PathExists(L"C:"));
  EXPECT_TRUE(PathExists(L"d:"));
  EXPECT_FALSE(PathExists(L"E:"));
  EXPECT_FALSE(PathExists(L"C:\\"));
  EXPECT_FALSE(PathExists(L""));
  EXPECT_TRUE(PathExists(L"D:\\X.TXT"));
  EXPECT_FALSE(PathExists(L"D:\\y.txt"));
}

TEST_F(SystemTest, PathPartsAndTextHelpers) {
  EXPECT_EQ(GetParentFolder(L"C:\\x\\prog.exe"), L"C:\\x");
  EXPECT_EQ(GetParentFolder(L"prog.exe"), L"");
  EXPECT_EQ(GetFileNamePart(L"C:\\x\\a.b.gho", false), L"a.b");
  EXPECT_EQ(GetFileNamePart(L"C:\\x\\a.b.gho", true), L"a.b.gho");
  EXPECT_EQ(GetFileNamePart(L"C:\\x\\noext", false), L"noext");
  EXPECT_EQ(GetFileNamePart(L"name.gho", true), L"");
  EXPECT_EQ(CountBackslashes(L"D:\\a\\b"), 2);
  EXPECT_TRUE(ContainsText(L"C:\\WINDOWS", L"windows", false));
  EXPECT_FALSE(ContainsText(L"C:\\WINDOWS", L"windows", true));
  EXPECT_EQ(GetModuleFolder(), L"C:\\Rigmate");
  fake.systemDirectory = L"X:\\Windows\\system32";
  EXPECT_EQ(GetSystemDrive(), L"X:");
  fake.systemDirectory = L"";
  EXPECT_EQ(GetSystemDrive(), L"");
}

TEST_F(SystemTest, CreateFolderPathMakesEveryMissingParentOnce) {
  fake.SetDrives(L"CD");
  EXPECT_TRUE(CreateFolderPath(L"D:\\a\\b"));
  EXPECT_TRUE(fake.IsFolder(L"D:\\a"));
  EXPECT_TRUE(fake.IsFolder(L"D:\\a\\b"));
  EXPECT_TRUE(CreateFolderPath(L"D:\\a\\b\\"));
  EXPECT_TRUE(CreateFolderPath(L"D:\\a\\c\\"));
  EXPECT_TRUE(fake.IsFolder(L"D:\\a\\c"));
  size_t made = 0;
  for (const auto& op : fake.fileOps) made += op.op == FakeSeam::Op::MakeFolder;
  EXPECT_EQ(made, 3u);                                     // existing folders are left alone

  fake.Fail(FakeSeam::Op::MakeFolder, L"D:\\p\\q");
  EXPECT_FALSE(CreateFolderPath(L"D:\\p\\q\\r"));
  EXPECT_TRUE(fake.IsFolder(L"D:\\p"));                    // what was made stays
  EXPECT_FALSE(fake.Exists(L"D:\\p\\q\\r"));
  EXPECT_FALSE(CreateFolderPath(L"Q:\\a"));                // no such drive
}

TEST_F(SystemTest, CopyFolderTreeKeepsEveryFolderNameWholeAndOverwrites) {
  fake.AddFile(L"X:\\src\\tools\\a.exe", "new a");
  fake.AddFile(L"X:\\src\\tools\\Notepad++ 7.5\\npp.exe", "npp");
  fake.AddFile(L"X:\\src\\tools\\Foo.v1\\x.ini", "one");
  fake.AddFile(L"X:\\src\\tools\\Foo.v2\\x.ini", "two");
  fake.AddFile(L"X:\\src\\tools\\Foo.v2\\deep.er\\y.txt", "y");
  fake.AddFolder(L"X:\\src\\tools\\empty\\deeper");
  fake.AddFile(L"Y:\\dst\\tools\\a.exe", "old a");

  EXPECT_TRUE(CopyFolderTree(L"X:\\src\\tools", L"Y:\\dst"));
  EXPECT_EQ(fake.Contents(L"Y:\\dst\\tools\\a.exe"), "new a");
  EXPECT_EQ(fake.Contents(L"Y:\\dst\\tools\\Notepad++ 7.5\\npp.exe"), "npp");
  EXPECT_EQ(fake.Contents(L"Y:\\dst\\tools\\Foo.v1\\x.ini"), "one");
  EXPECT_EQ(fake.Contents(L"Y:\\dst\\tools\\Foo.v2\\x.ini"), "two");
  EXPECT_EQ(fake.Contents(L"Y:\\dst\\tools\\Foo.v2\\deep.er\\y.txt"), "y");
  EXPECT_FALSE(fake.Exists(L"Y:\\dst\\tools\\Foo"));
  EXPECT_FALSE(fake.Exists(L"Y:\\dst\\tools\\empty"));      // folders of nothing but folders

  EXPECT_TRUE(CopyFolderTree(L"X:\\src\\tools\\a.exe", L"Y:\\one\\two"));
  EXPECT_EQ(fake.Contents(L"Y:\\one\\two\\a.exe"), "new a");
  EXPECT_FALSE(CopyFolderTree(L"X:\\src\\missing", L"Y:\\dst"));

  fake.Fail(FakeSeam::Op::CopyOneFile, L"Y:\\third\\tools\\a.exe");
  EXPECT_FALSE(CopyFolderTree(L"X:\\src\\tools", L"Y:\\third"));
  EXPECT_FALSE(fake.Exists(L"Y:\\third\\tools\\Foo.v1"));   // the first failure ends the copy
}

TEST_F(SystemTest, ShellCopyAndDeleteRefuseAPathTooLongForTheirBuffer) {
  std::wstring folder = L"C:\\" + std::wstring(250, L'f');
  std::wstring fits = folder + L"\\12345";                  // 259 characters
  std::wstring tooLong = folder + L"\\123456";              // 260: its cut form would be `fits`
  ASSERT_EQ(fits.size(), 259u);
  fake.AddFile(fits, "keep");
  fake.AddFile(tooLong, "x");

  EXPECT_FALSE(CopyPath(tooLong, L"C:\\copy"));
  EXPECT_FALSE(CopyPath(L"C:\\a", tooLong));
  EXPECT_FALSE(DeletePath(tooLong));
  EXPECT_EQ(ShellCalls(), 0u);
  EXPECT_TRUE(fake.Exists(fits));

  EXPECT_TRUE(CopyPath(fits, L"C:\\copy"));
  EXPECT_EQ(fake.Contents(L"C:\\copy"), "keep");
  EXPECT_TRUE(DeletePath(fits));
  EXPECT_FALSE(fake.Exists(fits));
  EXPECT_TRUE(DeletePath(L"C:\\never-there"));              // nothing to delete is a success
  EXPECT_EQ(ShellCalls(), 2u);
  fake.Fail(FakeSeam::Op::ShellDelete, L"C:\\copy");
  EXPECT_FALSE(DeletePath(L"C:\\copy"));
}

TEST_F(SystemTest, FindFileInTreeSearchesSubFoldersFirstWithinTheDepthLimit) {
  fake.AddFile(L"D:\\n");
  fake.AddFile(L"D:\\a\\n");
  fake.AddFile(L"D:\\x\\y\\m");
  fake.AddFile(L"D:\\x\\y\\z\\deep");
  fake.AddFolder(L"D:\\a\\folder-named-f\\f");
  EXPECT_EQ(FindFileInTree(L"D:", L"n", 3), L"D:\\a\\n");
  EXPECT_EQ(FindFileInTree(L"D:", L"n", 1), L"D:\\n");      // depth 1: the root only
  EXPECT_EQ(FindFileInTree(L"D:", L"m", 3), L"D:\\x\\y\\m");
  EXPECT_EQ(FindFileInTree(L"D:", L"m", 2), L"");
  EXPECT_EQ(FindFileInTree(L"D:", L"deep", 3), L"");        // D:\x\y\z has three backslashes
  EXPECT_EQ(FindFileInTree(L"D:", L"f", 9), L"");           // a folder of that name is no match
}

TEST_F(SystemTest, DataFilesAreFoundBesideTheProgramThenOnTheMarkedDriveThenAnywhere) {
  fake.SetDrives(L"CDE");
  fake.AddFile(L"D:\\sub\\Rigmate.mark");
  fake.AddFile(L"E:\\Rigmate.mark");
  ReadDrives();
  EXPECT_EQ(FindDataRoot(), L"E:");

  fake.AddFile(L"D:\\p\\q\\WIN732.GHO");
  EXPECT_EQ(FindDataFile(L"WIN732.GHO"), L"D:\\p\\q\\WIN732.GHO");    // any drive, two levels down
  fake.AddFile(L"E:\\a\\b\\WIN732.GHO");
  EXPECT_EQ(FindDataFile(L"WIN732.GHO"), L"E:\\a\\b\\WIN732.GHO");    // the marked drive first
  fake.AddFile(L"C:\\Rigmate\\Rigmate\\GHO\\WIN732.GHO");
  EXPECT_EQ(FindDataFile(L"win732.gho"), L"C:\\Rigmate\\Rigmate\\GHO\\win732.gho");
  fake.AddFile(L"C:\\deep\\er\\still\\WINXP.GHO");
  EXPECT_EQ(FindDataFile(L"WINXP.GHO"), L"");
}

TEST_F(SystemTest, LocateFileTriesTheProgramFolderThenDriveRootsOnly) {
  fake.SetDrives(L"CD");
  fake.AddFile(L"D:\\tools\\SGI.exe");
  ReadDrives();
  std::wstring path;
  EXPECT_FALSE(LocateFile(L"SGI.exe", &path));
  fake.AddFile(L"D:\\SGI.exe");
  ASSERT_TRUE(LocateFile(L"SGI.exe", &path));
  EXPECT_EQ(path, L"D:\\SGI.exe");
  fake.AddFile(L"C:\\SGI.exe");
  ASSERT_TRUE(LocateFile(L"SGI.exe", &path));
  EXPECT_EQ(path, L"C:\\SGI.exe");
  fake.AddFile(L"C:\\Rigmate\\SGI.exe");
  ASSERT_TRUE(LocateFile(L"SGI.exe", &path));
  EXPECT_EQ(path, L"C:\\Rigmate\\SGI.exe");
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN1064.GHO");
  ASSERT_TRUE(LocateFile(L"Rigmate\\GHO\\WIN1064.GHO", &path));
  EXPECT_EQ(path, L"D:\\Rigmate\\GHO\\WIN1064.GHO");
}

TEST_F(SystemTest, DataFolderIsAFolderWithItsPartsBesideTheProgramOrAtADriveRoot) {
  fake.modulePath = L"C:\\kit\\Rigmate.exe";
  fake.SetDrives(L"CDE");
  fake.AddFolder(L"C:\\Rigmate\\WEPE64");     // the tool pack's mount folder: no data folder
  fake.AddFile(L"D:\\Rigmate\\GHO");           // a file of a part's name is no part
  fake.AddFolder(L"E:\\sub\\Rigmate\\GHO");    // below a root is not looked at
  ReadDrives();
  EXPECT_EQ(FindDataFolder(), L"");
  EXPECT_NE(NoDataFolderNotice(DataFolderCandidates()).find(L"：\nC:\\kit\\Rigmate\nC:\\Rigmate\nD:\\Rigmate\nE:\\Rigmate\n"),
            std::wstring::npos);
  fake.AddFolder(L"E:\\Rigmate\\RUNTIME");
  EXPECT_EQ(FindDataFolder(), L"E:\\Rigmate");
  fake.AddFolder(L"C:\\kit\\Rigmate\\SOFTWARE");
  EXPECT_EQ(FindDataFolder(), L"C:\\kit\\Rigmate");
}

TEST_F(SystemTest, ProcessesAreComparedByBareNameWithoutCase) {
  fake.processNames = {L"System", L"PECMD.EXE"};
  EXPECT_TRUE(IsProcessRunning(L"pecmd.exe"));
  EXPECT_TRUE(IsProcessRunning(L"PECMD.EXE"));
  EXPECT_FALSE(IsProcessRunning(L"PECMD"));
  EXPECT_FALSE(IsProcessRunning(L"X:\\PECMD.EXE"));
  fake.snapshotFails = true;
  EXPECT_FALSE(IsProcessRunning(L"PECMD.EXE"));
}

TEST_F(SystemTest, ProgramStartsPassTheirApplicationAndFlags) {
  fake.SetExitCode(L"standin", 3);
  fake.SetStartFails(L"missing.exe");
  EXPECT_EQ(RunCommandLine(L"standin.exe /x", true, false), 3);
  EXPECT_EQ(RunCommandLine(L"standin.exe /x", false, true), 0);
  EXPECT_EQ(RunCommandLine(L"missing.exe", true, true), -1);
  EXPECT_EQ(RunCommandLine(L"missing.exe", false, true), -1);
  EXPECT_EQ(RunProgram(L"D:\\standin.exe", L"standin.exe -y", true, true), 3);
  ASSERT_EQ(fake.starts.size(), 5u);
  EXPECT_EQ(fake.starts[0].application, L"");
  EXPECT_FALSE(fake.starts[0].show);
  EXPECT_EQ(fake.starts[4].application, L"D:\\standin.exe");
  EXPECT_EQ(fake.starts[4].commandLine, L"standin.exe -y");

  // Windows' own tools: the system folder's copy, the command line as given.
  fake.systemDirectory = L"C:\\Windows\\system32";
  EXPECT_EQ(RunSystemTool(L"bcdedit.exe /export \"C:\\boot\\BCDKX\"", true, false), 0);
  EXPECT_EQ(fake.starts.back().application, L"C:\\Windows\\system32\\bcdedit.exe");
  EXPECT_EQ(fake.starts.back().commandLine, L"bcdedit.exe /export \"C:\\boot\\BCDKX\"");
  fake.systemDirectory.clear();
  EXPECT_EQ(RunSystemTool(L"attrib.exe -R C:\\x", true, false), -1) << "no system folder: nothing started";
  EXPECT_EQ(fake.starts.size(), 6u);
}

TEST_F(SystemTest, ShowMessageCarriesTheCaptionAndStyle) {
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(ShowMessage(L"继续？", mbox::YesNo | mbox::IconQuestion), mbox::IdYes);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].caption, L"Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x24u);
}

TEST_F(SystemTest, RebootEndsTheProgramOrSaysWhyNot) {
  fake.privilegeFails = true;
  EXPECT_FALSE(RebootSystem());
  EXPECT_EQ(fake.rebootRequests, 0);
  EXPECT_TRUE(fake.messages.empty());

  fake.privilegeFails = false;
  fake.rebootRefused = true;
  fake.rebootError = 1190;
  EXPECT_FALSE(RebootSystem());
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"退出Windows失败，错误代码：1190");   // the system has no text for it
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  fake.errorTexts[1190] = L"已开始关机。";
  EXPECT_FALSE(RebootSystem());
  EXPECT_EQ(fake.messages.back().text, L"退出Windows失败，错误代码：1190\n已开始关机。");
  fake.messages.resize(1);
  EXPECT_EQ(fake.endedWith, -1);

  fake.rebootRefused = false;
  RebootSystem();
  EXPECT_EQ(fake.endedWith, 0);
  EXPECT_EQ(fake.rebootRequests, 3);
}

TEST_F(SystemTest, VersionIsAskedTwiceBeforeGivingUp) {
  fake.versionMajor = 5;
  fake.versionExtendedFails = true;
  EXPECT_EQ(GetOSMajorVersion(), 5);
  EXPECT_TRUE(fake.messages.empty());
  fake.versionBasicFails = true;
  EXPECT_EQ(GetOSMajorVersion(), -1);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"获取系统版本失败！");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
}

TEST_F(SystemTest, RegistryValuesUseTheirAccessMasksAndBuffers) {
  fake.SetRegistryText(kVersionKey, L"ProductName", L"Windows 7 Ultimate");
  fake.SetRegistryText(kVersionKey, L"CurrentBuild", L"7601");
  fake.SetRegistryNumber(kVersionKey, L"InstallDate", 0);
  fake.wow64 = true;
  EXPECT_EQ(GetProductName(), L"Windows 7 Ultimate");
  EXPECT_EQ(GetOSNameWithBitness(), L"Windows 7 Ultimate 64位");
  fake.wow64 = false;
  EXPECT_EQ(GetOSNameWithBitness(), L"Windows 7 Ultimate 32位");
  EXPECT_EQ(GetCurrentBuild(), L"7601");
  EXPECT_EQ(GetInstallDateText(), L"1970-01-01 00:00:00");
  ASSERT_EQ(fake.registryReads.size(), 5u);
  EXPECT_EQ(fake.registryReads[0].key, L"SOFTWARE\\MicroSoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(fake.registryReads[0].access, 0x0001u);
  EXPECT_EQ(fake.registryReads[0].bufferBytes, 260u);
  EXPECT_EQ(fake.registryReads[3].access, 0x20119u);
  EXPECT_EQ(fake.registryReads[3].bufferBytes, 520u);
  EXPECT_EQ(fake.registryReads[4].access, 0x20119u);

  fake.SetRegistryText(kVersionKey, L"ProductName", std::wstring(129, L'n'));   // 260 bytes with its zero
  EXPECT_EQ(GetProductName().size(), 129u);
  fake.SetRegistryText(kVersionKey, L"ProductName", std::wstring(130, L'n'));
  EXPECT_EQ(GetProductName(), L"");
  EXPECT_EQ(GetOSNameWithBitness(), L"");
}

TEST(FormatUtcTime, CalendarInUtc) {
  EXPECT_EQ(FormatUtcTime(0), L"1970-01-01 00:00:00");
  EXPECT_EQ(FormatUtcTime(951782400), L"2000-02-29 00:00:00");
  EXPECT_EQ(FormatUtcTime(1709251199), L"2024-02-29 23:59:59");
  EXPECT_EQ(FormatUtcTime(4107542400), L"2100-03-01 00:00:00");    // 2100 is no leap year
  EXPECT_EQ(FormatUtcTime(4294967295LL), L"2106-02-07 06:28:15");
  EXPECT_EQ(FormatUtcTime(-1), L"1969-12-31 23:59:59");
  EXPECT_EQ(FormatUtcTime(253402300799LL), L"9999-12-31 23:59:59");
  EXPECT_EQ(FormatUtcTime(253402300800LL), L"");
  EXPECT_EQ(FormatUtcTime(INT64_MIN), L"");
}
