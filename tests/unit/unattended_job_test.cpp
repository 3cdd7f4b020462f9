// The command line: its arguments, and unattended jobs on a simulated machine with the
// log in front of the seam, as the program installs them.
#include <gtest/gtest.h>

#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/unattended_job.h"
#include "deploy/wim_engine.h"
#include "platform/disk.h"
#include "platform/log.h"
#include "platform/logging_seam.h"
#include "platform/pe_flag.h"
#include "platform/system.h"
#include "tests/fakes/fake_seam.h"
#include "tests/unit/deploy_machine.h"

namespace {

using cli::Action;
using cli::Options;
using cli::ParseArguments;
namespace code = cli::exit_code;

TEST(CommandLineTest, ReadsEachJobAndItsOptions) {
  Options restore = ParseArguments({L"/RESTORE", L"d:\\gho\\Win7.gho", L"c:", L"/YES", L"/reboot"});
  EXPECT_EQ(restore.action, Action::Restore);
  EXPECT_EQ(restore.image, L"d:\\gho\\Win7.gho");
  EXPECT_EQ(restore.partition, L"C:");
  EXPECT_FALSE(restore.wim);
  EXPECT_TRUE(restore.yes && restore.reboot);

  Options wim = ParseArguments({L"/restore", L"E:\\sources\\install.WIM", L"1:2", L"/index", L"3", L"/log", L"X:\\r.log"});
  EXPECT_TRUE(wim.wim);
  EXPECT_EQ(wim.partition, L"1:2");
  EXPECT_EQ(wim.index, 3);
  EXPECT_EQ(wim.logFile, L"X:\\r.log");
  EXPECT_FALSE(wim.yes || wim.reboot);

  Options backup = ParseArguments({L"/backup", L"C:\\", L"D:\\b.wim", L"/z", L"2", L"/append"});
  EXPECT_EQ(backup.action, Action::Backup);
  EXPECT_EQ(backup.partition, L"C:");
  EXPECT_EQ(backup.image, L"D:\\b.wim");
  EXPECT_EQ(backup.compression, 2);
  EXPECT_TRUE(backup.append);
  EXPECT_EQ(ParseArguments({L"/backup", L"C:", L"D:\\b.gho", L"/z", L"9"}).compression, 9);

  EXPECT_EQ(ParseArguments({}).action, Action::Window);
  Options usage = ParseArguments({L"/restore", L"-H"});
  EXPECT_EQ(usage.action, Action::Usage);
  EXPECT_TRUE(usage.error.empty());
  EXPECT_EQ(ParseArguments({L"-Version"}).action, Action::Version);

  // Switches as technicians type them: / or -, any case, the value after a colon or apart.
  for (const auto& spelling : std::vector<std::vector<std::wstring>>{
           {L"/restore", L"D:\\a.wim", L"C:", L"/index", L"2", L"/log", L"X:\\r.log", L"/quiet", L"/yes"},
           {L"-RESTORE", L"D:\\a.wim", L"C:", L"-Index:2", L"-LOG:X:\\r.log", L"-Quiet", L"-Yes"}}) {
    Options options = ParseArguments(spelling);
    EXPECT_TRUE(options.index == 2 && options.logFile == L"X:\\r.log" && options.quiet);
  }
}

// Each line of the usage fits a console of 80 columns; a Chinese character takes two.
TEST(CommandLineTest, UsageFitsEightyColumns) {
  std::wistringstream usage(cli::UsageText());
  for (std::wstring line; std::getline(usage, line);) {
    size_t columns = 0;
    for (wchar_t c : line) columns += c >= 0x1100 ? 2 : 1;
    EXPECT_LE(columns, 80u) << std::string(line.begin(), line.end());
  }
}

TEST(CommandLineTest, RefusesWhatItCannotTakeWhole) {
  const std::vector<std::vector<std::wstring>> bad = {
      {L"/install", L"D:\\a.gho", L"C:"},            // no such job
      {L"D:\\a.gho", L"C:"},                         // no job named
      {L"/restore", L"D:\\a.gho"},                   // no partition
      {L"/restore", L"a.gho", L"C:"},                // not a full path
      {L"/restore", L"D:a.gho", L"C:"},              // relative to D:'s current folder
      {L"/restore", L"\\\\server\\a.gho", L"C:"},    // no drive letter
      {L"/restore", L"D:\\a.iso", L"C:"},            // neither Ghost nor WIM
      {L"/restore", L"D:\\dir.gho\\image", L"C:"},   // the dot is not in the file name
      {L"/restore", L"D:\\a.gho", L"CD:"},
      {L"/restore", L"D:\\a.gho", L"0:1"},           // disks count from 1
      {L"/restore", L"D:\\a.gho", L"10000:1"},       // five digits
      {L"/restore", L"D:\\.GHO", L"C:"},             // an extension without a name
      {L"/backup", L"D:\\a.gho", L"C:"},             // partition and image swapped
      {L"/restore", L"D:\\a.gho", L"C:", L"/index", L"2"},   // an index of a Ghost image
      {L"/restore", L"D:\\a.wim", L"C:", L"/index", L"0"},
      {L"/restore", L"D:\\a.wim", L"C:", L"/index"},         // value missing
      {L"/restore", L"D:\\a.wim", L"C:", L"/index", L"x"},
      {L"/restore", L"D:\\a.wim", L"C:", L"/index", L"10000"},
      {L"/restore", L"D:\\a.gho", L"C:", L"/z", L"1"},       // compression of a restore
      {L"/backup", L"C:", L"D:\\a.wim", L"/z", L"4"},
      {L"/backup", L"C:", L"D:\\a.gho", L"/z", L"10"},
      {L"/backup", L"C:", L"D:\\a.gho", L"/append"},
      {L"/restore", L"D:\\a.gho", L"C:", L"/yes", L"/YES"},
      {L"/restore", L"D:\\a.gho", L"C:", L"/force"},
      {L"/restore", L"D:\\a.gho", L"C:", L"/quiet"},                 // its question would wait for nobody
      {L"/restore", L"D:\\a.gho", L"C:", L"/yes:1"},                  // a flag takes no value
      {L"/restore", L"D:\\a.gho", L"C:", L"D:"},                      // one argument too many
      {L"/restore", L"D:\\a.gho", L"C:", L"/log", L"D:\\a|b.log"},   // forbidden in names, as below
      {L"/backup", L"C:", L"D:\\a<b>.gho"},
      {L"/restore", L"D:\\*.gho", L"C:"},
      {L"/restore", L"D:\\a:b.gho", L"C:"},
  };
  for (const auto& arguments : bad) {
    Options options = ParseArguments(arguments);
    std::wstring joined;
    for (const auto& argument : arguments) joined += argument + L" ";
    EXPECT_EQ(options.action, Action::Usage) << std::string(joined.begin(), joined.end());
    EXPECT_FALSE(options.error.empty()) << std::string(joined.begin(), joined.end());
  }
}

// The lines the log would get.
class RecordingSink : public LogSink {
 public:
  void Write(const std::wstring& line) override {
    std::lock_guard<std::mutex> hold(lock_);
    lines.push_back(line);
  }
  std::vector<std::wstring> lines;

 private:
  std::mutex lock_;
};

// Disk 0 (MBR) holds C: and D:, Ghost lies in the root of D:.
class UnattendedJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 40ll << 30), FakeSeam::MbrEntry(2, 60ll << 30)}, 100ll << 30);
    fake.AddVolume(L"C:", 0, 1);
    fake.AddVolume(L"D:", 0, 2);
    fake.AddFile(L"D:\\GHOST32.EXE");
    fake.AddFile(L"D:\\WIN7.GHO");
    fake.tempPath = L"D:\\Temp\\";   // off the targets: the WIM library's files would go with a format
    TheDisk().Refresh();
    SetLogSink(&sink);
  }
  void TearDown() override {
    SetLogSink(nullptr);
    g_bInPE = 0;
    TheDisk().Refresh();
  }
  // A PE of its own drive X:, the program run from the data drive D:.
  void InPE() {
    fake.processNames.push_back(L"PECMD.EXE");
    fake.systemDirectory = L"X:\\Windows\\system32";
    fake.modulePath = L"D:\\Rigmate.exe";
  }

  int Run(const std::vector<std::wstring>& arguments) {
    Options options = ParseArguments(arguments);
    EXPECT_TRUE(options.error.empty());
    cli::Output output = [this](const std::wstring& text, bool) { console.push_back(text); };
    cli::UnattendedPrompts unattended(fake, options.yes, output);
    LoggingSeam logged(fake);
    LoggingImaging loggedImaging(fake);
    LoggingPrompts loggedPrompts(unattended);
    ScopedSeam use(&logged, &loggedImaging, &loggedPrompts);
    return cli::RunJob(options, output);
  }
  // The log lines without their time stamps.
  std::vector<std::wstring> Log() const {
    std::vector<std::wstring> texts;
    for (const auto& line : sink.lines) texts.push_back(line.substr(21));
    return texts;
  }

  FakeSeam fake;
  ScopedSeam base{&fake};
  RecordingSink sink;
  std::vector<std::wstring> console;
};

TEST_F(UnattendedJobTest, PeRestoreRunsGhostAtOnceAndLogsEachStep) {
  InPE();
  fake.SetExitCode(L"bcdboot", 0);
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"1:1", L"/yes", L"/reboot"}), code::Done);
  const std::wstring ghost =
      L"D:\\GHOST32.EXE -noide -nousb -clone,mode=pload,src=\"D:\\WIN7.GHO:1\",dst=C: -crcignore -sure";
  ASSERT_GE(fake.starts.size(), 2u);
  EXPECT_EQ(fake.starts[0].commandLine, ghost);
  EXPECT_EQ(fake.starts[1].commandLine, L"bcdboot.exe C:\\windows /L ZH-CN /s C:");
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_TRUE(fake.messages.empty()) << "the question was answered by /yes, not shown";

  const std::vector<std::wstring> expected = {
      L"命令行任务：还原：D:\\WIN7.GHO -> 1:1（PE）",
      L"提问：确定将文件：D:\\WIN7.GHO 还原到C:盘中么？ / 这将会清空您C:盘的数据，还原前请将数据备份！ / "
      L"C:盘：40.00 GB，本地磁盘。 / 该镜像文件保存于2024-05-06 07:08，大小为0.00 GB。 —— 回答：是",
      L"启动程序：" + ghost,
      L"程序结束，退出代码 0：" + ghost,
      L"启动程序：bcdboot.exe C:\\windows /L ZH-CN /s C:",
      L"程序结束，退出代码 0：bcdboot.exe C:\\windows /L ZH-CN /s C:",
      L"请求重启电脑",
      L"程序退出，退出代码：0",
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(sink.lines.at(0).substr(0, 21), L"2024-05-06 07:08:09  ");
}

TEST_F(UnattendedJobTest, EachKindOfFailureHasItsCodeAndChangesNothingBeforeIt) {
  // A WIM restore on the desktop: refused before anything is opened.
  fake.AddWimFile(L"D:\\install.wim");
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::Refused);
  EXPECT_TRUE(fake.wimCalls.empty());
  EXPECT_EQ(console.back(), L"不支持在桌面环境下进行WIM文件的操作！");
  EXPECT_EQ(Log().back(), L"消息：不支持在桌面环境下进行WIM文件的操作！");
  // A WIM backup on the desktop is done at once: nothing waits for a restart.
  EXPECT_EQ(Run({L"/backup", L"C:", L"D:\\new.wim", L"/yes"}), code::Done);
  EXPECT_EQ(Run({L"/backup", L"C:", L"D:\\gone.wim", L"/append", L"/yes"}), code::Mismatch);

  InPE();
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"F:", L"/yes"}), code::Mismatch);   // no such partition
  EXPECT_EQ(Run({L"/restore", L"D:\\missing.gho", L"C:", L"/yes"}), code::Mismatch);
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/index", L"2", L"/yes"}), code::Mismatch);
  fake.AddWimFile(L"D:\\empty.wim").imageCount = 0;
  EXPECT_EQ(Run({L"/restore", L"D:\\empty.wim", L"C:", L"/yes"}), code::Mismatch);
  EXPECT_EQ(Run({L"/backup", L"C:", L"D:\\install.wim", L"/yes"}), code::Mismatch);   // exists, no /append
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.formatRequests.empty());

  fake.answers = {mbox::IdNo};   // without /yes the question is shown, and No ends the job
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:"}), code::Declined);
  EXPECT_TRUE(fake.starts.empty());

  fake.SetExitCode(L"GHOST32", 1);
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:", L"/yes", L"/reboot"}), code::ImagingFailed);
  EXPECT_EQ(fake.rebootRequests, 0);
  fake.SetExitCode(L"GHOST32", 0);
  fake.SetExitCode(L"bcdboot", 1);
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:", L"/yes"}), code::BootFailed);

  fake.wimCreateError = 126;   // no wimgapi.dll: the system's own reason, as a capture gives it
  fake.errorTexts[126] = L"找不到指定的模块。";
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::ImagingFailed);
  EXPECT_EQ(console.back(), L"打开WIM文件失败！错误代码：126\n找不到指定的模块。\nD:\\install.wim");
  fake.wimCreateError = 0;
  fake.wimOperationError = 5;   // after the format: the partition's old data is gone, and the log says so
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::ImagingFailed);
  EXPECT_EQ(Log().back(), L"操作失败！代码：5 / C:盘已经格式化，原有的数据已被清除。");
  fake.wimOperationError = 0;
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::BootFailed);
  fake.SetExitCode(L"bcdboot", 0);
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::Done);
  EXPECT_EQ(Run({L"/backup", L"C:", L"D:\\install.wim", L"/append", L"/yes"}), code::Done);

  fake.rebootRefused = true;
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:", L"/yes", L"/reboot"}), code::RestartFailed);
  fake.rebootRefused = false;
  fake.privilegeFails = true;   // Windows says nothing of it: the job must
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:", L"/yes", L"/reboot"}), code::RestartFailed);
  EXPECT_EQ(Log().back(), L"消息：任务已完成，但无法重启电脑。");
}

// Every outcome of an engine that is not a success ends the job with a failure's code: a
// job that did not happen never reads as done or staged.
TEST(UnattendedExitCodes, OnlySuccessesEndAsDoneOrStaged) {
  const auto success = [](int code) { return code == code::Done || code == code::RestartRequired; };
  for (int each = 0; each <= static_cast<int>(GhostCode::BootEntryFailed); ++each) {
    const GhostCode ghost = static_cast<GhostCode>(each);
    EXPECT_EQ(success(cli::ExitCodeOf(ghost)), ghost == GhostCode::Done || ghost == GhostCode::Staged) << each;
  }
  EXPECT_EQ(cli::ExitCodeOf(GhostCode::Staged), code::RestartRequired);
  for (int each = 0; each <= static_cast<int>(WimCode::FolderMissing); ++each) {
    const WimCode wim = static_cast<WimCode>(each);
    EXPECT_EQ(success(cli::ExitCodeOf(wim)), wim == WimCode::Applied || wim == WimCode::Captured) << each;
  }
}

// Under /yes a WIM restore formats without the shell's dialog; a cancel there is a No.
// The PE here is one of the system's own make, without PECMD.EXE.
TEST_F(UnattendedJobTest, WimRestoreFormatsWithoutTheDialogUnderYes) {
  fake.registryKeys.insert(L"SYSTEM\\CurrentControlSet\\Control\\MiniNT");
  fake.systemDirectory = L"X:\\Windows\\system32";
  fake.modulePath = L"D:\\Rigmate.exe";
  fake.AddWimFile(L"D:\\install.wim");
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::Done);
  EXPECT_TRUE(fake.formatRequests.empty());
  ASSERT_FALSE(fake.starts.empty());
  EXPECT_EQ(fake.starts[0].application, L"X:\\Windows\\system32\\format.com") << "never one found by a search";
  EXPECT_EQ(fake.starts[0].commandLine, L"format.com C: /FS:NTFS /Q /Y");
  fake.answers = {mbox::IdNo};   // the restore question, shown without /yes
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:"}), code::Declined);
  EXPECT_TRUE(fake.formatRequests.empty());
  fake.answers = {mbox::IdYes};
  fake.formatResult = kFormatCancelled;
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:"}), code::Declined);
  EXPECT_EQ(fake.formatRequests.size(), 1u);
}

// /reboot after a job that was only staged: the restart is what runs it, and the exit
// code says so (1641), the log's last line too.
TEST_F(UnattendedJobTest, RebootAfterAStagedJobEndsWithRestartStarted) {
  deploy_test::SetUpDesktop(fake);
  fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 40ll << 30), FakeSeam::MbrEntry(2, 60ll << 30)}, 100ll << 30);
  TheDisk().Refresh();
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"C:", L"/yes", L"/reboot"}), code::RestartStarted);
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_EQ(Log().back(), L"程序退出，退出代码：1641");
}

// Refused before any question inside a PE: a drive this run uses, a label the console
// cannot type (an English PE). The stick, the image's partition and the labels: end to end.
TEST_F(UnattendedJobTest, WhatThisRunCannotDoIsRefusedBeforeTheApply) {
  InPE();
  EXPECT_EQ(Run({L"/restore", L"D:\\WIN7.GHO", L"1:2"}), code::Refused);
  EXPECT_EQ(console.back(), L"D:盘正被当前运行的PE或本软件使用，不能进行还原！");
  fake.AddWimFile(L"D:\\install.wim");
  fake.volumes[L'C'].label = L"系统盘";
  fake.consoleAsciiOnly = true;
  EXPECT_EQ(Run({L"/restore", L"D:\\install.wim", L"C:", L"/yes"}), code::ImagingFailed);
  EXPECT_TRUE(fake.starts.empty() && fake.messages.empty());
}

}  // namespace
