// The backup and restore page's actions on a simulated machine: rows, refusals, roads.
#include <gtest/gtest.h>

#include <atomic>

#include "pages/install/install_page_actions.h"
#include "platform/disk.h"
#include "platform/log.h"
#include "platform/pe_flag.h"
#include "tests/fakes/fake_seam.h"
#include "tests/unit/deploy_machine.h"

namespace {

using install_page::Execute;
using install_page::Request;
using install_page::Road;

constexpr int64_t kGiB = 1ll << 30;

// The progress window, reduced to running the work.
bool RunQuietly(const Work& work) {
  std::atomic<bool> stop{false};
  QuietProgress progress(stop);
  return work(progress);
}

class InstallPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Disk 0 (MBR): D: and a partition without letter; disk 2 (GPT): F:, past a missing disk 1.
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 40 * kGiB), FakeSeam::MbrEntry(2, kGiB)}, 60 * kGiB);
    fake.AddDisk(2, 1, {FakeSeam::GptEntry(1, 2 * kGiB, L"data")}, 2 * kGiB);
    fake.disks[1].opens = false;
    fake.AddVolume(L"D:", 0, 1).freeBytes = 3 * kGiB / 2;
    fake.AddVolume(L"F:", 2, 1).partitionStyle = 1;
    fake.AddFile(L"C:\\Rigmate\\GHOST32.EXE");
    fake.AddFile(L"E:\\img\\win7.Gho");
    TheDisk().Refresh();
    g_bInPE = 1;
    hooks.runWork = &RunQuietly;
  }
  void TearDown() override {
    g_bInPE = 0;
    TheDisk().Refresh();
  }
  static Request Restore(const std::wstring& image, const std::wstring& target = L"D:") {
    Request request;
    request.rowSelected = true;
    request.target = target;
    request.imagePath = image;
    return request;
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    for (const auto& box : fake.messages) texts.push_back(box.text);
    return texts;
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
  WimPageHooks hooks;
};

const std::wstring kRestoreQuestion =
    L"确定将文件：E:\\img\\win7.Gho 还原到D:盘中么？\n这将会清空您D:盘的数据，还原前请将数据备份！\n"
    L"D:盘：40.00 GB，本地磁盘。\n该镜像文件保存于2024-05-06 07:08，大小为0.00 GB。";
const std::wstring kRestartQuestion = L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启";

TEST_F(InstallPageTest, RowsFollowTheDisksPastAMissingNumber) {
  std::vector<install_page::PartitionRow> rows = install_page::PartitionRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].letter, L"D:");
  EXPECT_EQ(rows[0].number, L"1:1");
  EXPECT_EQ(rows[0].label, L"本地磁盘");
  EXPECT_EQ(rows[0].fileSystem, L"NTFS");
  EXPECT_EQ(rows[0].freeSpace, L"1.50 GB");
  EXPECT_EQ(rows[0].size, L"40.00 GB");
  EXPECT_EQ(rows[0].diskStyle, L"MBR");
  EXPECT_GE(rows[0].icon, 0);
  EXPECT_EQ(rows[1].letter + rows[1].label + rows[1].fileSystem + rows[1].freeSpace, L"");
  EXPECT_EQ(rows[1].number, L"1:2");
  EXPECT_EQ(rows[1].icon, -1);

  fake.disks[1].opens = true;   // disk 1 without a readable layout: the walk goes on to disk 2
  fake.disks[1].layoutFails = true;
  TheDisk().Refresh();
  rows = install_page::PartitionRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].letter + L"|" + rows[2].number + L"|" + rows[2].diskStyle, L"F:||GPT");
}

TEST_F(InstallPageTest, RefusalsComeInOrderAndTouchNothing) {
  Request request = Restore(L"E:\\a.wim");
  request.rowSelected = false;
  EXPECT_EQ(Execute(request, hooks), Road::Refused);
  EXPECT_EQ(Execute(Restore(L"E:\\a.wim", L""), hooks), Road::Refused);   // a row without letter
  EXPECT_EQ(Execute(Restore(L""), hooks), Road::Refused);
  EXPECT_EQ(Execute(Restore(L"E:a.wim"), hooks), Road::Refused);
  EXPECT_EQ(Execute(Restore(L"E:\\image"), hooks), Road::Refused);
  EXPECT_EQ(Execute(Restore(L"E:\\old.dir\\image"), hooks), Road::Refused);
  g_bInPE = 0;
  EXPECT_EQ(Execute(Restore(L"E:\\a.WIM"), hooks), Road::Refused);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"请选择一个分区!", L"请选择一个分区!", L"请输入正确的镜像路径!",
                                                L"镜像文件：E:a.wim不是带盘符的完整路径（如 D:\\GHO\\WIN7.GHO），请重新选择！",
                                                L"请选择正确的路径!\n镜像路径应以文件名结尾，扩展名为.GHO或.WIM。", L"不支持的文件类型！",
                                                L"不支持在桌面环境下进行WIM文件的操作！"}));
  for (const auto& box : fake.messages) EXPECT_EQ(box.style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.wimCalls.empty());
}

TEST_F(InstallPageTest, ModeDecidesBackupRoadsAndCompressionReachesBoth) {
  Request ghost = Restore(L"E:\\backup.wim");
  ghost.mode = install_page::kGhostBackup;
  ghost.compression = 2;
  fake.QueueAnswer(6);   // back up
  EXPECT_EQ(Execute(ghost, hooks), Road::GhostBackup);
  EXPECT_EQ(fake.messages[0].text, L"确定将分区：D: 备份到文件：E:\\backup.wim中么？");
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_NE(fake.starts[0].commandLine.find(L"src=D:,dst=\"E:\\backup.wim\" -z2"), std::wstring::npos);
  EXPECT_EQ(Texts().back(), kRestartQuestion);
  ghost.compression = 9;   // what the command line may ask of Ghost, beyond the box's 0-3
  EXPECT_EQ(install_page::BuildGhostJob(ghost).compression, 9);
  ghost.compression = 10;
  EXPECT_EQ(install_page::BuildGhostJob(ghost).compression, 0);

  g_bInPE = 0;           // a WIM backup runs on the desktop too
  Request wim = Restore(L"E:\\backup.gho");
  wim.mode = install_page::kWimBackup;
  wim.compression = 3;
  fake.QueueAnswer(6);
  EXPECT_EQ(Execute(wim, hooks), Road::WimCapture);
  ASSERT_FALSE(fake.wimCalls.empty());
  EXPECT_EQ(fake.wimCalls[0], L"CreateFile E:\\backup.gho 40000000 2 0 3");
  EXPECT_EQ(Texts().back(), L"操作完成！");
  EXPECT_EQ(fake.messages.back().style, mbox::IconInformation);   // a success is no warning
}

TEST_F(InstallPageTest, GhostRestoreInsidePeRepairsTheBootFilesWithRedirectionOff) {
  bool redirectionOff = false;
  fake.onStart = [&](const FakeSeam::ProcessStart& start) {
    if (start.commandLine.rfind(L"bcdboot.exe", 0) == 0) redirectionOff = fake.fsRedirectionOff;
    return 0;
  };
  fake.QueueAnswer(6);
  EXPECT_EQ(Execute(Restore(L"E:\\img\\win7.Gho"), hooks), Road::GhostRestore);
  ASSERT_EQ(fake.starts.size(), 2u);
  EXPECT_EQ(fake.starts[1].commandLine, L"bcdboot.exe D:\\windows /L ZH-CN /s D:");
  EXPECT_TRUE(fake.starts[1].wait);
  EXPECT_FALSE(fake.starts[1].show);
  EXPECT_TRUE(redirectionOff);
  EXPECT_FALSE(fake.fsRedirectionOff);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{kRestoreQuestion, kRestartQuestion}));
  EXPECT_EQ(fake.messages[0].style, 0x124u) << "\"否\" is the default of the restore question";
}

TEST_F(InstallPageTest, FailedBootRepairEndsWithoutRestart) {
  fake.SetExitCode(L"bcdboot.exe", 1);
  Request request = Restore(L"E:\\img\\win7.Gho");
  request.restartAtOnce = true;
  fake.QueueAnswer(6);
  Execute(request, hooks);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{kRestoreQuestion, L"修复启动项出错！"}));
  EXPECT_EQ(fake.rebootRequests, 0);
}

TEST_F(InstallPageTest, GptTargetSkipsTheRepairAndTheTickRestartsAtOnce) {
  fake.disks[1].opens = true;          // the model reaches F: on disk 2
  fake.disks[1].layoutFails = true;
  TheDisk().Refresh();
  fake.AddFile(L"E:\\img\\a.ghost");   // "ghost" holds "GHO": a Ghost image too
  Request request = Restore(L"E:\\img\\a.ghost", L"F:");
  request.restartAtOnce = true;
  fake.QueueAnswer(6);
  EXPECT_EQ(Execute(request, hooks), Road::GhostRestore);
  ASSERT_EQ(fake.starts.size(), 1u);   // Ghost only
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_EQ(fake.messages.size(), 1u);

  fake.SetExitCode(L"GHOST32.EXE", 1); // a failed job: no restart, ticked or not
  fake.QueueAnswer(6);
  Execute(request, hooks);
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_EQ(Texts().back(), L"GHOST出错！");
}

// A failure names what it is about and why, then where the log of its steps is; a
// refusal before anything was done has no log to point to.
TEST_F(InstallPageTest, FailuresSayWhyAndWhereTheLogIs) {
  struct PlacedLog : LogSink {
    void Write(const std::wstring&) override {}
    std::wstring Where() override { return L"C:\\Rigmate\\Rigmate.log"; }
  } log;
  SetLogSink(&log);
  fake.AddWimFile(L"E:\\img\\a.wim");
  fake.SetExitCode(L"GHOST32.EXE", 1);
  const struct {
    const wchar_t* image;
    uint32_t formatResult;
    const wchar_t* told;
  } rows[] = {
      {L"E:\\img\\win7.Gho", 0, L"GHOST出错！\n详细记录见：C:\\Rigmate\\Rigmate.log"},
      {L"E:\\img\\a.wim", 0xFFFFFFFF,
       L"格式化D:盘失败！\nWindows的格式化出错（SHFMT_ERROR）：分区可能正被其他程序使用，或上次格式化没有完成。\n"
       L"详细记录见：C:\\Rigmate\\Rigmate.log"},
      {L"E:\\img\\gone.gho", 0, L"镜像文件：E:\\img\\gone.gho不存在！"},
  };
  for (const auto& row : rows) {
    fake.formatResult = row.formatResult;
    fake.QueueAnswer(6);
    Execute(Restore(row.image), hooks);
    EXPECT_EQ(Texts().back(), row.told);
  }
  SetLogSink(nullptr);
}

}  // namespace

// On the desktop the restore is only staged: Ghost writes the partition at the next start,
// so there is nothing for bcdboot to repair yet, and the restart question comes last.
TEST(InstallPageOnTheDesktop, GhostRestoreIsStagedWithoutBcdbootAndAsksForTheRestartLast) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  deploy_test::SetUpDesktop(fake);
  fake.AddFile(L"D:\\img\\win7.GHO", "image");
  TheDisk().Refresh();
  WimPageHooks hooks;
  hooks.runWork = &RunQuietly;
  Request request;
  request.rowSelected = true;
  request.target = L"C:";
  request.imagePath = L"D:\\img\\win7.GHO";
  fake.QueueAnswer(mbox::IdYes);
  fake.QueueAnswer(mbox::IdNo);
  EXPECT_EQ(Execute(request, hooks), Road::GhostRestore);
  for (const auto& start : fake.starts) EXPECT_NE(start.Program(), L"bcdboot.exe");
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages.back().text,
            L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启，“取消”撤销安装！");
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"),
            "ghost.exe -noide -nousb -clone,mode=pload,src=1:2\\img\\win7.GHO:1,dst=1:1 -crcignore -sure -rb");
  EXPECT_EQ(fake.rebootRequests, 0);
  TheDisk().Refresh();
}
