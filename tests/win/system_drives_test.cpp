// The system utilities with the real Win32 seam under Wine: test drives, child processes, registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <thread>

#include "pages/bootmedia/boot_disk_vm.h"
#include "platform/disk.h"
#include "platform/log.h"
#include "platform/log_file_win.h"
#include "platform/logging_seam.h"
#include "platform/seam_win.h"
#include "platform/system.h"
#include "tests/standin/standin_log.h"
#include "tests/win/test_drives.h"

namespace {

// The real seam, with the program's folder moved onto a test drive.
class MovedProgramSeam : public Win32Seam {
 public:
  std::wstring ModulePath() override { return modulePath; }
  std::wstring modulePath;
};

class SystemOnTestDrives : public TestDrivesTest {
 protected:
  void SetUp() override {
    TestDrivesTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    p = Drive(0), q = Drive(1), r = Drive(2);
    ASSERT_FALSE(r.empty()) << "three test drives are needed";
    seam.modulePath = p + L"\\prog\\Rigmate.exe";
    SetSeam(&seam);
  }
  void TearDown() override { SetSeam(nullptr); }

  // A copy of the stand-in (or its windowed build) under another name.
  std::wstring PlaceStandin(const std::wstring& path, bool windowed = false) {
    MakeFolders(path.substr(0, path.rfind(L'\\')));
    std::wstring standin = windowed ? WindowedStandinPath() : StandinPath();
    EXPECT_TRUE(CopyFileW(standin.c_str(), path.c_str(), FALSE)) << "no stand-in";
    return path;
  }

  MovedProgramSeam seam;
  std::wstring p, q, r;
};

bool HasLetter(const std::wstring& letter) {
  for (const auto& logical : TheDisk().logicalDrives)
    if (logical.letter == letter) return true;
  return false;
}

// Ends every process of that executable name; true if one was found.
bool EndProcessesNamed(const std::wstring& name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpiW(entry.szExeFile, name.c_str()) != 0) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (!process) continue;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    found = true;
  }
  CloseHandle(snapshot);
  return found;
}

template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

TEST_F(SystemOnTestDrives, TheDiskModelListsTheMappedDrivesAfterC) {
  ASSERT_FALSE(TheDisk().logicalDrives.empty());
  EXPECT_EQ(TheDisk().logicalDrives.front().letter, L"C:");
  EXPECT_TRUE(HasLetter(p) && HasLetter(q) && HasLetter(r));
  StorageDeviceNumber number;
  EXPECT_TRUE(GetVolumeDeviceNumber(p, &number));
}

TEST_F(SystemOnTestDrives, PathExistsOfDrives) {
  EXPECT_TRUE(PathExists(L"C:"));
  EXPECT_TRUE(PathExists(L"c:"));
  EXPECT_FALSE(PathExists(L"C:\\"));
  EXPECT_FALSE(PathExists(L""));
  EXPECT_TRUE(PathExists(p));
  EXPECT_FALSE(PathExists(L"K:"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\x\\file.txt", "x"));
  EXPECT_TRUE(PathExists(q + L"\\x"));
  EXPECT_TRUE(PathExists(q + L"\\X\\FILE.TXT"));
  EXPECT_FALSE(PathExists(q + L"\\x\\"));
}

TEST_F(SystemOnTestDrives, LocateFileTriesTheProgramFolderBeforeTheRootsAndNothingBelow) {
  const std::wstring name = L"RigmateLocateProbe.exe";
  std::wstring found;
  ASSERT_TRUE(WriteFileBytes(r + L"\\tools\\" + name, "below a root"));
  EXPECT_FALSE(LocateFile(name, &found));

  ASSERT_TRUE(WriteFileBytes(r + L"\\" + name, "root of r"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\" + name, "root of q"));
  ASSERT_TRUE(LocateFile(name, &found));
  EXPECT_EQ(found, q + L"\\" + name);

  ASSERT_TRUE(WriteFileBytes(p + L"\\prog\\" + name, "beside the program"));
  ASSERT_TRUE(LocateFile(name, &found));
  EXPECT_EQ(found, p + L"\\prog\\" + name);

  ASSERT_TRUE(WriteFileBytes(q + L"\\Rigmate\\GHO\\WIN764.GHO", "image"));
  ASSERT_TRUE(LocateFile(L"Rigmate\\GHO\\WIN764.GHO", &found));
  EXPECT_EQ(found, q + L"\\Rigmate\\GHO\\WIN764.GHO");
}

TEST_F(SystemOnTestDrives, FindFileInTreeLooksIntoSubFoldersFirstWithinTheDepth) {
  ASSERT_TRUE(WriteFileBytes(q + L"\\n.txt", "root"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\a\\n.txt", "a"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\a\\b\\m.txt", "m"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\a\\b\\c\\deep.txt", "deep"));
  EXPECT_EQ(FindFileInTree(q, L"n.txt", 3), q + L"\\a\\n.txt");
  EXPECT_EQ(FindFileInTree(q, L"n.txt", 1), q + L"\\n.txt");
  EXPECT_EQ(FindFileInTree(q, L"m.txt", 3), q + L"\\a\\b\\m.txt");
  EXPECT_EQ(FindFileInTree(q, L"deep.txt", 3), L"");
  EXPECT_EQ(FindFileInTree(q, L"a", 3), L"");            // a folder is no match
}

TEST_F(SystemOnTestDrives, DataRootAndDataFiles) {
  ASSERT_TRUE(WriteFileBytes(p + L"\\sub\\Rigmate.mark", ""));
  EXPECT_EQ(FindDataRoot(), L"");                        // below a root does not count
  ASSERT_TRUE(WriteFileBytes(r + L"\\Rigmate.mark", ""));
  EXPECT_EQ(FindDataRoot(), r);

  const std::wstring name = L"RIGMATEPROBE.GHO";
  ASSERT_TRUE(WriteFileBytes(r + L"\\x\\y\\" + name, "on the marked drive"));
  EXPECT_EQ(FindDataFile(name), r + L"\\x\\y\\" + name);
  ASSERT_TRUE(WriteFileBytes(p + L"\\prog\\Rigmate\\GHO\\" + name, "beside the program"));
  EXPECT_EQ(FindDataFile(name), p + L"\\prog\\Rigmate\\GHO\\" + name);
}

TEST_F(SystemOnTestDrives, CopyFolderTreeKeepsDottedFolderNamesAndOverwrites) {
  ASSERT_TRUE(WriteFileBytes(p + L"\\src\\tools\\a.exe", "new a"));
  ASSERT_TRUE(WriteFileBytes(p + L"\\src\\tools\\Foo.v1\\x.ini", "one"));
  ASSERT_TRUE(WriteFileBytes(p + L"\\src\\tools\\Foo.v2\\x.ini", "two"));
  ASSERT_TRUE(MakeFolders(p + L"\\src\\tools\\only\\folders"));
  ASSERT_TRUE(WriteFileBytes(q + L"\\dst\\tools\\a.exe", "old a"));

  EXPECT_TRUE(CopyFolderTree(p + L"\\src\\tools", q + L"\\dst"));
  EXPECT_EQ(ReadFileBytes(q + L"\\dst\\tools\\a.exe"), "new a");
  EXPECT_EQ(ReadFileBytes(q + L"\\dst\\tools\\Foo.v1\\x.ini"), "one");
  EXPECT_EQ(ReadFileBytes(q + L"\\dst\\tools\\Foo.v2\\x.ini"), "two");
  EXPECT_FALSE(Exists(q + L"\\dst\\tools\\only"));
  EXPECT_FALSE(CopyFolderTree(p + L"\\src\\missing", q + L"\\dst"));
}

TEST_F(SystemOnTestDrives, CreateFolderPathWithAndWithoutTrailingBackslash) {
  EXPECT_TRUE(CreateFolderPath(r + L"\\a\\b"));
  EXPECT_TRUE(Exists(r + L"\\a\\b"));
  EXPECT_TRUE(CreateFolderPath(r + L"\\c\\d\\"));
  EXPECT_TRUE(Exists(r + L"\\c\\d"));
  EXPECT_TRUE(CreateFolderPath(r + L"\\a\\b"));
  ASSERT_TRUE(WriteFileBytes(r + L"\\file", "x"));
  EXPECT_FALSE(CreateFolderPath(r + L"\\file\\sub"));    // a file stands where a folder should be
}

TEST_F(SystemOnTestDrives, ShellCopyAndDeleteAndTheirLengthLimit) {
  ASSERT_TRUE(WriteFileBytes(p + L"\\one.txt", "1"));
  EXPECT_TRUE(CopyPath(p + L"\\one.txt", q + L"\\copied.txt"));
  EXPECT_EQ(ReadFileBytes(q + L"\\copied.txt"), "1");
  EXPECT_TRUE(DeletePath(q + L"\\copied.txt"));
  EXPECT_FALSE(Exists(q + L"\\copied.txt"));
  EXPECT_TRUE(DeletePath(q + L"\\copied.txt"));          // already gone

  // 260 characters: cut to the shell's 259 it would name `shorter`, which exists.
  std::wstring folder = p + L"\\" + std::wstring(100, L'f') + L"\\" + std::wstring(100, L'g');
  std::wstring longer = folder + L"\\" + std::wstring(259 - folder.size() - 1, L'h') + L"x";
  std::wstring shorter = longer.substr(0, 259);
  ASSERT_EQ(longer.size(), 260u);
  ASSERT_TRUE(WriteFileBytes(shorter, "keep"));
  ASSERT_TRUE(WriteFileBytes(longer, "long"));
  EXPECT_FALSE(DeletePath(longer));
  EXPECT_FALSE(CopyPath(longer, q + L"\\x"));
  EXPECT_EQ(ReadFileBytes(shorter), "keep");
  EXPECT_TRUE(Exists(longer));
  EXPECT_EQ(DeletePathQuietly(longer), 206u);

  // A file held open without delete sharing: the quiet delete tells the shell's own
  // cause (and shows no box of the shell's, which would stop this test).
  ASSERT_TRUE(WriteFileBytes(q + L"\\held\\file.txt", "x"));
  HANDLE held = CreateFileW((q + L"\\held\\file.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const uint32_t code = DeletePathQuietly(q + L"\\held");
  CloseHandle(held);
  EXPECT_NE(code, 0u);
  EXPECT_EQ(DeletePathQuietly(q + L"\\held"), 0u);
  EXPECT_FALSE(Exists(q + L"\\held"));
}

// The program's seam, made before anything probes a drive, turns the system's "no disk"
// and open-file error boxes off for the whole process.
TEST(SystemErrorMode, NoSystemErrorBoxesWhileDrivesAreProbed) {
  TheSeam();
  EXPECT_EQ(GetErrorMode() & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
            UINT(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

TEST_F(SystemOnTestDrives, ProgramStartsGiveExitCodesOrMinusOne) {
  std::wstring log = q + L"\\standin.log";
  ScopedVariable logVariable(L"RIGMATE_STANDIN_LOG", log);
  ScopedVariable exitVariable(L"RIGMATE_STANDIN_EXIT", L"3");
  std::wstring ghost = PlaceStandin(p + L"\\tools\\GHOST32.EXE");

  EXPECT_EQ(RunCommandLine(L"rigmate-no-such-program.exe /x", true, false), -1);
  EXPECT_EQ(RunCommandLine(L"rigmate-no-such-program.exe /x", false, false), -1);
  EXPECT_EQ(RunCommandLine(L"\"" + ghost + L"\" -clone,mode=pload", true, false), 3);
  EXPECT_EQ(RunProgram(ghost, L"GHOST32.EXE -split=0", true, true), 3);
  EXPECT_EQ(RunProgram(L"", L"\"" + ghost + L"\" -batch", false, true), 0);

  ASSERT_TRUE(Eventually([&] { return ReadStandinLog(log).size() == 3; }));
  auto records = ReadStandinLog(log);
  EXPECT_EQ(records[0].commandLine, L"\"" + ghost + L"\" -clone,mode=pload");
  EXPECT_EQ(records[1].commandLine, L"GHOST32.EXE -split=0");
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  EXPECT_EQ(records[0].folder, folder);                  // no working folder is passed
}

TEST_F(SystemOnTestDrives, IsProcessRunningSeesAStandinNamedPecmd) {
  EXPECT_FALSE(IsProcessRunning(L"PECMD.EXE"));
  ScopedVariable sleep(L"RIGMATE_STANDIN_SLEEP_MS", L"20000");
  std::wstring pecmd = PlaceStandin(p + L"\\pe\\pecmd.exe", true);  // the PE's shell is windowed
  ASSERT_EQ(RunProgram(pecmd, L"pecmd.exe", false, false), 0);
  EXPECT_TRUE(Eventually([] { return IsProcessRunning(L"PECMD.EXE"); }));
  EXPECT_TRUE(IsProcessRunning(L"pecmd.exe"));
  EXPECT_TRUE(EndProcessesNamed(L"pecmd.exe"));
  EXPECT_TRUE(Eventually([] { return !IsProcessRunning(L"PECMD.EXE"); }));
}

TEST_F(SystemOnTestDrives, TestBootStartsQemuOnTheRawDiskInSnapshotMode) {
  std::wstring log = q + L"\\standin.log";
  ScopedVariable logVariable(L"RIGMATE_STANDIN_LOG", log);
  std::wstring qemu = PlaceStandin(p + L"\\prog\\Rigmate\\DATA\\QEMU\\qemu-system-i386.exe");
  boot_disk::DeviceChoice stick;
  stick.entry = L"(HD1) 1.00GB (H: ) USB磁盘";
  stick.identity.disk = 1;
  ASSERT_TRUE(boot_disk::TestBootDisk(stick.entry, &stick));
  ASSERT_TRUE(Eventually([&] { return ReadStandinLog(log).size() == 1; }));
  EXPECT_EQ(ReadStandinLog(log)[0].commandLine,
            L"\"" + qemu + L"\" -m 1024 -drive file=\\\\.\\PhysicalDrive1,format=raw,media=disk,snapshot=on -boot c");
}

TEST_F(SystemOnTestDrives, AWatchedWaitGivesUpAHungProgramAndEndsWithAKilledOne) {
  ScopedVariable sleep(L"RIGMATE_STANDIN_SLEEP_MS", L"60000");
  std::wstring setup = PlaceStandin(p + L"\\soft\\hung-setup.exe");
  int asked = 0;
  bool abandoned = false;
  EXPECT_EQ(RunProgramWatched(setup, L"setup /S", false, [&] { return ++asked < 3; }, &abandoned), -1);
  EXPECT_TRUE(abandoned);
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(IsProcessRunning(L"hung-setup.exe"));      // left running, not waited for
  std::thread user([] { Sleep(500); EndProcessesNamed(L"hung-setup.exe"); });
  EXPECT_EQ(RunProgramWatched(setup, L"setup /S", false, [] { return true; }, &abandoned), 0);
  user.join();
  EXPECT_FALSE(abandoned);
}

TEST_F(SystemOnTestDrives, TheAttribStandinAppliesEveryFlag) {
  std::wstring attrib = PlaceStandin(p + L"\\bin\\ATTRIB.EXE");
  std::wstring file = q + L"\\boot.ini";
  ASSERT_TRUE(WriteFileBytes(file, "[boot loader]"));
  const DWORD all = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  EXPECT_EQ(RunProgram(attrib, L"attrib +s +h +r " + file, true, false), 0);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & all, all);
  EXPECT_EQ(RunProgram(attrib, L"attrib -S -H -R \"" + file + L"\"", true, false), 0);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & all, 0u);
}

// Windows refuses CREATE_ALWAYS over a hidden or system file and writing to a read-only
// one; Wine running as root allows both, so those rules live in the fake machine only.
TEST_F(SystemOnTestDrives, FileCallsOfTheRealSeam) {
  Seam& real = TheSeam();
  std::wstring file = q + L"\\boot.ini";
  ASSERT_TRUE(real.WriteNewFile(file, "first"));
  std::string bytes;
  ASSERT_TRUE(real.ReadWholeFile(file, &bytes));
  EXPECT_EQ(bytes, "first");
  EXPECT_TRUE(real.RewriteFile(file, "rewritten, longer"));
  EXPECT_TRUE(real.RewriteFile(file, "short"));
  ASSERT_TRUE(real.ReadWholeFile(file, &bytes));
  EXPECT_EQ(bytes, "short");
  EXPECT_FALSE(real.RewriteFile(q + L"\\missing.ini", "x"));
  ASSERT_TRUE(real.SetAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(real.FileAttributes(file) & 0x3u, 0x3u);
  EXPECT_FALSE(real.RemoveFile(file));
  EXPECT_EQ(real.FileAttributes(q + L"\\missing.ini"), INVALID_FILE_ATTRIBUTES);

  FileEntry entry;
  EXPECT_FALSE(real.FindFile(q + L"\\", &entry));        // a root with its backslash
  std::vector<FileEntry> listed = real.ListFolder(q);
  for (const auto& e : listed) EXPECT_NE(e.name, L".");   // roots list no "." entry
  ASSERT_TRUE(MakeFolders(q + L"\\sub"));
  listed = real.ListFolder(q + L"\\sub");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].name, L".");
}

TEST(SystemUnderWine, InstallDateOfZeroIsTheEpochInUtc) {
  const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_SET_VALUE | KEY_WOW64_64KEY, &handle),
            ERROR_SUCCESS);
  DWORD former = 0, size = sizeof(former), type = 0;
  bool hadFormer = RegQueryValueExW(handle, L"InstallDate", nullptr, &type, reinterpret_cast<BYTE*>(&former),
                                    &size) == ERROR_SUCCESS && type == REG_DWORD;
  DWORD zero = 0;
  ASSERT_EQ(RegSetValueExW(handle, L"InstallDate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof(zero)),
            ERROR_SUCCESS);
  std::wstring text = GetInstallDateText();
  if (hadFormer)
    RegSetValueExW(handle, L"InstallDate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&former), sizeof(former));
  else
    RegDeleteValueW(handle, L"InstallDate");
  RegCloseKey(handle);
  EXPECT_EQ(text, L"1970-01-01 00:00:00");
}

TEST(SystemUnderWine, WindowsFactsOfThe64BitPrefix) {
  EXPECT_GE(GetOSMajorVersion(), 5);
  std::wstring name = GetOSNameWithBitness();
  ASSERT_GT(name.size(), 4u);
  EXPECT_EQ(name.substr(name.size() - 4), L" 64位");
  EXPECT_EQ(name.substr(0, name.size() - 4), GetProductName());
  EXPECT_EQ(GetSystemDrive(), L"C:");
  std::wstring temp = GetTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_FALSE(GetModuleFolder().empty());
  EXPECT_EQ(GetFileVersionString(L"C:\\windows\\system32\\kernel32.dll").empty(), false);
  EXPECT_EQ(GetFileVersionString(L"C:\\no\\such.exe"), L"");
}

// The log writes after each step, before its caller reads the step's error code.
TEST(LogFileWin, AFailedStepKeepsItsErrorCodeAfterItWasLogged) {
  const std::wstring temp = LogPathInTemp() + L".d";
  LogFile log(LogPathInTemp(), L"", L"test");
  SetLogSink(&log);
  LoggingSeam logged(DefaultSeam());
  EXPECT_FALSE(logged.MakeFolder(temp + L"\\no-such-folder\\a"));
  EXPECT_EQ(logged.LastError(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));   // not the log's own 0 or 183
  SetLogSink(nullptr);
}
