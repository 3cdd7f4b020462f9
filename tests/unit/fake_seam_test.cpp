// The fake machine behaves like the Windows calls it stands for, where tests lean on it.
#include <gtest/gtest.h>

#include "tests/fakes/fake_seam.h"

TEST(FakeSeam, FilesAreFoundWithoutRegardToCaseAndListedInOrderAdded) {
  FakeSeam fake;
  fake.AddFile(L"D:\\Data\\b.gho", "bb");
  fake.AddFile(L"D:\\Data\\a.txt", "a");
  fake.AddFolder(L"D:\\Data\\Sub");

  FileEntry entry;
  ASSERT_TRUE(fake.FindFile(L"d:\\DATA\\B.GHO", &entry));
  EXPECT_EQ(entry.name, L"b.gho");
  EXPECT_FALSE(entry.isFolder);
  EXPECT_FALSE(fake.FindFile(L"D:\\Data\\", &entry));      // a trailing backslash finds nothing
  EXPECT_FALSE(fake.FindFile(L"D:\\", &entry));            // nor does a drive root

  std::vector<std::wstring> names;
  for (const auto& e : fake.ListFolder(L"D:\\data")) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"b.gho", L"a.txt", L"Sub"}));
  names.clear();
  for (const auto& e : fake.ListFolder(L"D:")) names.push_back(e.name);
  EXPECT_EQ(names, std::vector<std::wstring>{L"Data"});    // roots list no "." and ".."

  ASSERT_TRUE(fake.FindFile(L"D:\\Data\\*.txt", &entry));
  EXPECT_EQ(entry.name, L"a.txt");
  ASSERT_TRUE(fake.FindFile(L"D:\\Data\\*.*", &entry));
  EXPECT_EQ(entry.name, L".");
  EXPECT_FALSE(fake.FindFile(L"D:\\Data\\*.wim", &entry));
  EXPECT_EQ(fake.LogicalDriveStrings().substr(0, 8), std::wstring(L"C:\\\0D:\\\0", 8));
}

TEST(FakeSeam, WritesFollowTheRulesOfTheCallsTheyStandFor) {
  FakeSeam fake;
  fake.AddFile(L"C:\\boot.ini", "old", fattr::ReadOnly | fattr::Hidden | fattr::System);
  EXPECT_FALSE(fake.WriteNewFile(L"C:\\boot.ini", "new"));   // CREATE_ALWAYS over a hidden file
  EXPECT_FALSE(fake.RewriteFile(L"C:\\boot.ini", "new"));    // read-only
  ASSERT_TRUE(fake.SetAttributes(L"C:\\boot.ini", fattr::Hidden));
  EXPECT_TRUE(fake.RewriteFile(L"C:\\boot.ini", "new"));
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), "new");
  EXPECT_EQ(fake.Attributes(L"C:\\boot.ini"), fattr::Hidden);

  EXPECT_FALSE(fake.MakeFolder(L"C:\\a\\b"));                // parent missing
  EXPECT_TRUE(fake.MakeFolder(L"C:\\a"));
  EXPECT_FALSE(fake.MakeFolder(L"C:\\A"));                   // exists
  EXPECT_FALSE(fake.MakeFolder(L"Q:\\x"));                   // no such drive

  fake.Fail(FakeSeam::Op::CopyOneFile, L"c:\\A\\copy.ini");
  EXPECT_FALSE(fake.CopyOneFile(L"C:\\boot.ini", L"C:\\a\\copy.ini"));
  EXPECT_TRUE(fake.CopyOneFile(L"C:\\boot.ini", L"C:\\a\\other.ini"));
  ASSERT_EQ(fake.fileOps.size(), 10u);
  EXPECT_EQ(fake.fileOps.back().to, L"C:\\a\\other.ini");
}

TEST(FakeSeam, ShellCopyPutsASourceIntoAnExistingFolderOrUnderANewName) {
  FakeSeam fake;
  fake.AddFile(L"C:\\src\\tools\\x.exe", "x");
  fake.AddFolder(L"D:\\dst");
  EXPECT_TRUE(fake.ShellCopy(L"C:\\src\\tools", L"D:\\dst"));
  EXPECT_EQ(fake.Contents(L"D:\\dst\\tools\\x.exe"), "x");
  EXPECT_TRUE(fake.ShellCopy(L"C:\\src\\tools\\x.exe", L"D:\\new\\y.exe"));
  EXPECT_EQ(fake.Contents(L"D:\\new\\y.exe"), "x");
  EXPECT_FALSE(fake.ShellCopy(L"C:\\missing", L"D:\\dst"));
  EXPECT_TRUE(fake.ShellDelete(L"D:\\DST"));
  EXPECT_FALSE(fake.Exists(L"D:\\dst\\tools\\x.exe"));
  EXPECT_FALSE(fake.ShellDelete(L"D:\\dst"));
}

TEST(FakeSeam, ProcessStartsAreRecordedAndAnsweredByProgramName) {
  FakeSeam fake;
  fake.SetExitCode(L"bcdedit.exe", 1);
  fake.SetExitCode(L"ghost32", 3);
  fake.SetStartFails(L"missing.exe");
  EXPECT_EQ(fake.StartProcess(L"", L"BCDEDIT.EXE /enum", true, false), 1);
  EXPECT_EQ(fake.StartProcess(L"D:\\GHOST32.EXE", L"\"D:\\GHOST32.EXE\" -clone", true, true), 3);
  EXPECT_EQ(fake.StartProcess(L"", L"\"C:\\Program Files\\Ghost32.exe\" -x", false, true), 0);
  EXPECT_EQ(fake.StartProcess(L"", L"missing.exe", true, false), -1);
  ASSERT_EQ(fake.starts.size(), 4u);
  EXPECT_EQ(fake.starts[2].Program(), L"Ghost32.exe");
  EXPECT_FALSE(fake.starts[2].wait);
}

TEST(FakeSeam, MessageBoxesTakeQueuedAnswersThenTheCautiousOne) {
  FakeSeam fake;
  fake.QueueAnswer(6);
  EXPECT_EQ(fake.ShowMessageBox(L"q1", L"Rigmate", 0x24), 6);
  EXPECT_EQ(fake.ShowMessageBox(L"q2", L"Rigmate", 0x24), 7);
  EXPECT_EQ(fake.ShowMessageBox(L"n", L"Rigmate", 0x30), 1);
  EXPECT_EQ(fake.ShowMessageBox(L"c", L"Rigmate", 0x23), 2);
  ASSERT_EQ(fake.messages.size(), 4u);
  EXPECT_EQ(fake.messages[0].text, L"q1");
  EXPECT_EQ(fake.messages[2].style, 0x30u);
}

TEST(FakeSeam, AnsiTextIsUtf8AndBadBytesBecomeReplacementCharacters) {
  FakeSeam fake;
  EXPECT_EQ(fake.AnsiToWide("\xe6\x9c\xaa\xe7\x9f\xa5 ok"), L"未知 ok");
  EXPECT_EQ(fake.WideToAnsi(L"未知 ok"), "\xe6\x9c\xaa\xe7\x9f\xa5 ok");
  EXPECT_EQ(fake.AnsiToWide("a\xe6\x9c"), std::wstring(L"a\xFFFD\xFFFD"));
  EXPECT_EQ(fake.AnsiToWide("\xc0\x80"), std::wstring(L"\xFFFD\xFFFD"));   // over-long form
}

TEST(FakeSeam, DriveLayoutRefusesABufferTooSmall) {
  FakeSeam fake;
  fake.disks[0].layout.assign(5000, 1);
  std::vector<uint8_t> buffer;
  uint32_t error = 0;
  EXPECT_FALSE(fake.DriveLayout(0, 4800, &buffer, &error));
  EXPECT_EQ(error, 122u);
  ASSERT_TRUE(fake.DriveLayout(0, 9600, &buffer, &error));
  EXPECT_EQ(buffer.size(), 9600u);
  EXPECT_EQ(buffer[4999], 1);
  EXPECT_EQ(buffer[5000], 0);
  EXPECT_FALSE(fake.PhysicalDriveOpens(1));
}
