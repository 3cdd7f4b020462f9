// Unattended jobs of the command line under Wine on the simulated machine: what runs,
// what lands on the drives, the exit code, the console and the log; and the program
// file's own version resource and manifest.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

// One MBR disk holding C: (partition 1) and D: (partition 2), started by BIOS.
const char kMachine[] = "disk mbr 500G\n  part 1 100G letter=C: boot\n  part 2 400G letter=D:\nfirmware bios\n";

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Each of `wanted` begins a line of `lines`, in this order.
::testing::AssertionResult InOrder(const std::vector<std::wstring>& lines, const std::vector<std::wstring>& wanted) {
  size_t at = 0;
  for (const auto& want : wanted) {
    while (at < lines.size() && lines[at].compare(0, want.size(), want) != 0) ++at;
    if (at == lines.size()) return ::testing::AssertionFailure() << "missing or out of order: " << e2e::WideToUtf8(want);
    ++at;
  }
  return ::testing::AssertionSuccess();
}

// The lines of the log beside the program, without their time stamps; none when there is no log.
std::vector<std::wstring> LogBeside(const std::wstring& programFolder) {
  std::string bytes;
  std::vector<std::wstring> lines;
  if (!e2e::ReadFileBytes(programFolder + L"\\Rigmate.log", &bytes)) return lines;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  for (const auto& line : e2e::SplitLines(e2e::Utf8ToWide(bytes)))
    if (line.size() > 21) lines.push_back(line.substr(21));
  return lines;
}

class CommandLine : public RigmateE2E {
 protected:
  std::vector<std::wstring> Log() const { return LogBeside(ProgramFolder()); }
  std::wstring ImageOnD(const std::string& name) {
    WriteFile(L"drive-d\\" + e2e::Utf8ToWide(name), "image");
    return L"D:\\" + e2e::Utf8ToWide(name);
  }
};

TEST_F(CommandLine, PeRestoreRunsGhostAtOnceAndLogsEveryStepInOrder) {
  DescribeMachine(kMachine);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  std::wstring image = ImageOnD("WIN7.GHO");
  PlaceStandIn(ProgramFolder() + L"\\GHOST32.EXE");
  SystemFolderOfPe();   // C: is the target, not the PE's own drive
  PlaceSystemStandIn(L"bcdboot.exe");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  StartStandIn(L"PECMD.EXE");

  DWORD code = 99;
  std::wstring console;
  ASSERT_TRUE(RunRigmate(L"/restore " + image + L" 1:1 /yes /reboot", &code, &console));
  EXPECT_EQ(code, 0u) << e2e::WideToUtf8(console);

  const std::wstring ghost = ProgramFolder() +
                             L"\\GHOST32.EXE -noide -nousb -clone,mode=pload,src=\"D:\\WIN7.GHO:1\",dst=C: -crcignore -sure";
  const std::wstring bcdboot = L"bcdboot.exe C:\\windows /L ZH-CN /s C:";
  std::vector<std::wstring> starts;
  for (const StandinRecord& start : StandInStarts())
    if (!Contains(start.commandLine, L"PECMD")) starts.push_back(start.commandLine);
  EXPECT_EQ(starts, (std::vector<std::wstring>{ghost, bcdboot}));
  EXPECT_EQ(Recorded(), (std::vector<std::wstring>{L"restart"}));

  const std::wstring question =
      L"确定将文件：D:\\WIN7.GHO 还原到C:盘中么？ / 这将会清空您C:盘的数据，还原前请将数据备份！ / C:盘：100.00 GB，";
  std::vector<std::wstring> log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(Contains(log[0], L"Rigmate 1.0.0.0 命令行") && Contains(log[0], L"/restore D:\\WIN7.GHO 1:1 /yes /reboot"))
      << e2e::WideToUtf8(log[0]);
  EXPECT_TRUE(InOrder(log, {L"命令行任务：还原：D:\\WIN7.GHO -> 1:1（PE）", L"提问：" + question,
                            L"启动程序：" + ghost, L"程序结束，退出代码 0：" + ghost, L"启动程序：" + bcdboot,
                            L"程序结束，退出代码 0：" + bcdboot, L"请求重启电脑", L"程序退出，退出代码：0"}));
  EXPECT_TRUE(Contains(console, L"—— 回答：是（/yes）")) << e2e::WideToUtf8(console);
}

TEST_F(CommandLine, RefusalChangesNothingAndSaysWhyOnTheConsoleAndInTheLog) {
  DescribeMachine(kMachine);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  std::wstring image = ImageOnD("install.wim");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());

  DWORD code = 99;
  std::wstring console;
  ASSERT_TRUE(RunRigmate(L"/restore " + image + L" C: /yes", &code, &console));   // a WIM restore on the desktop
  EXPECT_EQ(code, 4u);
  const std::wstring why = L"不支持在桌面环境下进行WIM文件的操作！";
  EXPECT_TRUE(Contains(console, why)) << e2e::WideToUtf8(console);
  EXPECT_TRUE(Contains(console, L"命令行任务结束，退出代码：4（当前环境不支持）"));
  EXPECT_TRUE(InOrder(Log(), {L"消息：" + why, L"命令行任务结束，退出代码：4（当前环境不支持）"}));
  EXPECT_TRUE(StandInStarts().empty());
  std::string left;
  EXPECT_TRUE(e2e::ReadFileBytes(InFolder(L"drive-d\\install.wim"), &left) && left == "image");
}

TEST_F(CommandLine, BadArgumentsGetTheUsageAndChangeNothing) {
  DWORD code = 99;
  std::wstring console;
  ASSERT_TRUE(RunRigmate(L"/restore D:\\a.iso C: /yes", &code, &console));
  EXPECT_EQ(code, 1u);
  EXPECT_TRUE(Contains(console, L"参数错误：")) << e2e::WideToUtf8(console);
  EXPECT_TRUE(Contains(console, L"用法见 Rigmate.exe /?"));
  EXPECT_FALSE(Contains(console, L"Rigmate.exe /restore <镜像文件> <分区>")) << "one line of reason, not the usage";
  EXPECT_TRUE(Log().empty()) << "bad arguments write no log";

  ASSERT_TRUE(RunRigmate(L"/?", &code, &console));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(Contains(console, L"退出代码：0 完成"));
}

// Arguments, exit code, a console line and a log line (empty: no log); pe rows come last.
struct JobCase {
  const wchar_t* arguments;
  DWORD code;
  const wchar_t* console;
  const wchar_t* log;
  bool pe;
};

TEST_F(CommandLine, EachCaseEndsWithItsCodeAndSaysWhy) {
  DescribeMachine(kMachine);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  ImageOnD("WIN7.GHO");
  PlaceStandIn(ProgramFolder() + L"\\GHOST32.EXE");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  const JobCase cases[] = {
      {L"/backup C: \"D:\\a\\\" -x.GHO\"", 1, L"参数错误：镜像文件含有 Windows 不允许用于文件名的字符", L"", false},
      {L"/restore D:\\WIN7.GHO C: /yes /log Q:\\none\\r.log", 1, L"无法写入日志文件：Q:\\none\\r.log", L"", false},
      {L"-Restore D:\\missing.gho C: -YES -quiet", 2, L"镜像文件：D:\\missing.gho不存在！",
       L"命令行任务结束，退出代码：2（镜像文件、分区、索引或 GHOST32.EXE 与参数不符）", false},
      {L"-h", 0, L"Rigmate.exe /restore <镜像文件> <分区>", L"", false},
      {L"/VERSION", 0, L"Rigmate 1.0.0.0", L"", false},
      {L"/restore D:\\WIN7.GHO D: /yes", 4, L"镜像文件位于要还原的分区上", L"命令行任务结束，退出代码：4", true},
      {L"/backup C: D:\\NEW.GHO /z:9 /yes", 0, L"命令行任务结束，退出代码：0（完成）",
       L"\"D:\\NEW.GHO\" -z9 -crcignore -sure", true},
  };
  bool inPE = false;
  for (const JobCase& job : cases) {
    if (job.pe && !inPE) StartStandIn(L"PECMD.EXE");
    inPE = inPE || job.pe;
    DeleteFileW((ProgramFolder() + L"\\Rigmate.log").c_str());
    DWORD code = 99;
    std::wstring console;
    ASSERT_TRUE(RunRigmate(job.arguments, &code, &console));
    std::string name = e2e::WideToUtf8(job.arguments) + "\n" + e2e::WideToUtf8(console);
    EXPECT_TRUE(code == job.code && Contains(console, job.console)) << code << " " << name;
    std::vector<std::wstring> log = Log();
    auto logged = [&](const std::wstring& line) { return Contains(line, job.log); };
    EXPECT_TRUE(*job.log ? std::any_of(log.begin(), log.end(), logged) : log.empty()) << name;
  }
}

// Beside the window, a job ends at once with its own code (else 2: the image is missing),
// and a second start brings the first window back and ends.
TEST_F(CommandLine, ASecondCopyEndsAtOnce) {
  ASSERT_TRUE(StartRigmate());
  ShowWindow(main(), SW_MINIMIZE);
  for (const wchar_t* arguments : {L"/restore D:\\missing.GHO C: /yes", L""}) {
    e2e::Program second;
    DWORD code = 99;
    ASSERT_TRUE(second.Start(ProgramFolder() + L"\\Rigmate.exe", L"", {}, arguments));
    ASSERT_TRUE(second.WaitForExit(20000, &code));
    EXPECT_EQ(code, 10u) << e2e::WideToUtf8(arguments);
  }
  EXPECT_TRUE(e2e::WaitUntil([&] { return !IsIconic(main()); }, 5000)) << "the first window is back";
  EXPECT_TRUE(app().Running());
}

// A WIM restore in a PE onto D: (1:2) of a volume labelled as each row says: format.com
// of the system folder reads the label as it is. It formats nothing (a stand-in), which
// stops the job before the apply. Copies of cmd.exe and format.com planted where a
// search by name looks first never run; the stick (2:1, on the test drive P: that
// Windows lists) is refused before any question.
TEST_F(CommandLine, WimRestoreFeedsFormatTheLabelAndChecksItsWork) {
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  const std::wstring image = InFolder(L"install.wim");
  WriteFile(L"install.wim", "a WIM file");
  SystemFolderOfPe();
  PlaceSystemStandIn(L"format.com");
  std::string planted;
  ASSERT_TRUE(e2e::ReadFileBytes(PlantedPath(L"planted.exe"), &planted));
  std::vector<std::wstring> plants;
  for (const wchar_t* place : {L"program\\", L"current\\", L"on-path\\"})
    for (const wchar_t* name : {L"cmd.exe", L"format.com"}) plants.push_back(std::wstring(place) + name);
  for (const std::wstring& plant : plants) WriteFile(plant, planted);
  RunIn(InFolder(L"current"));
  SetVariable(L"PATH", InFolder(L"on-path") + L";C:\\windows\\system32;C:\\windows");
  SetVariable(L"RIGMATE_SIM_WIM", image);
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  StartStandIn(L"PECMD.EXE");
  const struct {
    const char* described;   // in the description, where "" is one quote
    const wchar_t* target;
    const wchar_t* input;    // what format.com read; empty: not started
    DWORD code;
    const wchar_t* why;
  } cases[] = {{"R&D", L"1:2", L"R&D\\r\\n\\r\\n", 7, L"D:盘的卷序列号没有变"},
               {"A\"\"B", L"1:2", L"A\"B\\r\\n\\r\\n", 7, L"D:盘的卷序列号没有变"},
               {"50%OFF%", L"1:2", L"50%OFF%\\r\\n\\r\\n", 7, L"D:盘的卷序列号没有变"},
               {"系统盘", L"1:2", L"系统盘\\r\\n\\r\\n", 7, L"D:盘的卷序列号没有变"},
               {"DATA", L"2:1", L"", 4, L"P:盘位于U盘或可移动磁盘上"}};
  for (const auto& row : cases) {
    DescribeMachine(std::string("disk mbr 500G\n part 1 100G letter=C: boot\n part 2 400G letter=D: label=\"") +
                    row.described + "\"\ndisk mbr 16G usb\n part 1 16G letter=P:\n");
    DeleteFileW(StandInLogPath().c_str());
    DWORD code = 99;
    std::wstring console;
    ASSERT_TRUE(RunRigmate(L"/restore \"" + image + L"\" " + row.target + L" /yes", &code, &console));
    EXPECT_TRUE(code == row.code && Contains(console, row.why)) << code << e2e::WideToUtf8(console);
    std::wstring input;
    for (const StandinRecord& start : StandInStarts())
      if (start.commandLine == L"format.com D: /FS:NTFS /Q /Y") input = start.input;
    EXPECT_EQ(input, row.input) << row.described;
  }
  for (const std::wstring& plant : plants)
    EXPECT_EQ(GetFileAttributesW(InFolder(plant + L".ran").c_str()), INVALID_FILE_ATTRIBUTES) << e2e::WideToUtf8(plant);
}

class CommandLineOnSystemDrive : public RigmateE2EOnSystemDrive {};

TEST_F(CommandLineOnSystemDrive, DesktopJobWithYesIsStagedAsTheWindowStagesIt) {
  DescribeMachine(kMachine);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  ASSERT_TRUE(MapDrive(L'C', L"drive-c"));
  WriteFile(L"drive-d\\RigmateBackup.GHO", "image");
  PlaceSystemStandIn(L"bcdedit.exe");
  PlaceSystemStandIn(L"attrib.exe");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());

  DWORD code = 99;
  std::wstring console;
  ASSERT_TRUE(RunRigmate(L"/restore D:\\RigmateBackup.GHO C: /yes", &code, &console));
  EXPECT_EQ(code, 3010u) << e2e::WideToUtf8(console);   // staged: restart required

  std::string batch;
  ASSERT_TRUE(e2e::ReadFileBytes(InFolder(L"drive-c\\ghost.ba_"), &batch));
  EXPECT_EQ(batch, "ghost.exe -noide -nousb -clone,mode=pload,src=1:2\\RigmateBackup.GHO:1,dst=1:1 -crcignore -sure -rb");
  for (const wchar_t* name : {L"kxdos.ima", L"kxldr", L"kxldr.mbr"})
    EXPECT_EQ(GetFileAttributesW(InFolder(std::wstring(L"drive-c\\") + name).c_str()), 0x27u) << e2e::WideToUtf8(name);
  std::vector<std::wstring> bcdedit;
  for (const StandinRecord& start : StandInStarts())
    if (start.commandLine.compare(0, 12, L"bcdedit.exe ") == 0) bcdedit.push_back(start.commandLine);
  ASSERT_EQ(bcdedit.size(), 5u);
  EXPECT_EQ(bcdedit.front(), L"bcdedit.exe /export \"C:\\boot\\BCDKX\"");
  EXPECT_EQ(bcdedit.back().compare(0, 26, L"bcdedit.exe /bootsequence "), 0);
  EXPECT_TRUE(Recorded().empty()) << "no restart without /reboot";
  EXPECT_TRUE(Contains(console, L"已配置完成，重启电脑后开始执行。"));

  EXPECT_TRUE(InOrder(LogBeside(ProgramFolder()), {L"写入文件：C:\\kxdos.ima（2949120 字节）", L"设置属性：C:\\kxdos.ima 0x27",
                            L"写入文件：C:\\ghost.ba_（98 字节）", L"启动程序：" + bcdedit.front(),
                            L"程序结束，退出代码 0：" + bcdedit.back(),
                            L"命令行任务结束，退出代码：3010（已配置，重启电脑后执行）"}));
}

// The version resource and the manifest, read back from the program as built.
TEST_F(CommandLine, ProgramFileCarriesItsVersionAndManifest) {
  std::wstring exe = BuildFolder() + L"\\..\\..\\Rigmate.exe";
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u) << e2e::WideToUtf8(exe);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    return VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) && value
               ? std::wstring(value)
               : std::wstring();
  };
  EXPECT_EQ(text(L"ProductName"), L"Rigmate");
  EXPECT_EQ(text(L"ProductVersion"), L"1.0.0.0");
  EXPECT_EQ(text(L"OriginalFilename"), L"Rigmate.exe");
  EXPECT_FALSE(text(L"FileDescription").empty());
  EXPECT_TRUE(Contains(text(L"LegalCopyright"), L"Rigmate")) << e2e::WideToUtf8(text(L"LegalCopyright"));

  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));   // RT_MANIFEST
  ASSERT_TRUE(found);
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  std::string manifest(data, SizeofResource(module, found));
  FreeLibrary(module);
  for (const char* wanted : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                             ">true</dpiAware>", "requireAdministrator", "Microsoft.Windows.Common-Controls"})
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
}

}  // namespace
