// The boot disk page's logic on a simulated machine: entries, command lines, refusals,
// the make and its copies, the restore thread, the image search.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "pages/bootmedia/boot_disk_actions.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"

using namespace boot_disk;

namespace {

constexpr wchar_t kTool[] = L"E:\\Rigmate\\DATA\\FbinstPlus.exe";
constexpr wchar_t kArchive[] = L"E:\\Rigmate\\DATA\\Rigmate.FBA";

class RecordedProgress : public Progress {
 public:
  void Position(int percent) override { log.push_back(L"@" + std::to_wstring(percent)); }
  void Status(const std::wstring& text) override { log.push_back(text); last = text; }
  void Pause(int milliseconds) override { log.push_back(L"wait " + std::to_wstring(milliseconds)); }
  std::vector<std::wstring> log;
  std::wstring last;
};

class BootDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.modulePath = L"E:\\Rigmate.exe";
    fake.AddFile(kTool);
    fake.AddFile(kArchive);
    request.config.m_strFbinstPath = kTool;
    request.config.m_strArchivePath = kArchive;
    request.sizeMb = 500;
    request.disk = 1;
    request.drive = L"H:";
  }
  void TearDown() override { TheDisk().Refresh(); }
  std::vector<std::wstring> MessageTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
  MakeRequest request;
  RecordedProgress progress;
};

TEST_F(BootDiskTest, EntriesComeFromTheDiskModelAndAreReadBackFromTheirText) {
  fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 2ll << 30);
  fake.AddDisk(1, 0, {FakeSeam::MbrEntry(1, 1ll << 29), FakeSeam::MbrEntry(2, 1ll << 29)}, 1ll << 30);
  fake.AddVolume(L"C:", 0, 1);
  fake.AddVolume(L"H:", 1, 1);
  fake.AddVolume(L"I:", 1, 2);
  TheDisk().Refresh();
  std::vector<std::wstring> entries = DeviceEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], L"(HD0) 2.00GB (C: ) 未知");
  EXPECT_EQ(entries[1], L"(HD1) 1.00GB (H: I: ) 未知");
  EXPECT_EQ(DiskNumberOfEntry(entries[1]), 1);
  EXPECT_EQ(DestinationDriveOfEntry(entries[1]), L"H:");

  EXPECT_EQ(DiskNumberOfEntry(L"(HD12) 7.50GB () 未知"), 12);
  EXPECT_EQ(DestinationDriveOfEntry(L"(HD12) 7.50GB () 未知"), L"");
  EXPECT_EQ(DiskNumberOfEntry(L""), -1);
  EXPECT_EQ(DiskNumberOfEntry(kNoDevice), -1);
  EXPECT_EQ(DiskNumberOfEntry(L"(HDx) "), 0);
}

TEST_F(BootDiskTest, NoDeviceGivesThePlaceholderWhichBothOperationsRefuse) {
  TheDisk().Refresh();
  std::vector<std::wstring> entries = DeviceEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], L"找不到任何可用设备！");
  int disk = DiskNumberOfEntry(entries[0]);
  EXPECT_EQ(MakeRefusal(500, disk, L"", request.config), L"请选择一个磁盘！");
  EXPECT_EQ(MakeRefusal(0, disk, L"", request.config), L"请输入正确的分区大小！");   // size first
  EXPECT_EQ(RestoreRefusal(entries[0]), L"请选择一个设备以进行操作！");
  EXPECT_EQ(RestoreRefusal(L""), L"请选择一个设备以进行操作！");
}

TEST_F(BootDiskTest, DiskZeroIsRefusedByBothOperations) {
  const std::wstring protect = L"为了保护用户磁盘，禁止对设备(HD0)进行操作！";
  EXPECT_EQ(MakeRefusal(500, DiskNumberOfEntry(L"(HD0) 2.00GB (C: ) 未知"), L"C:", request.config), protect);
  EXPECT_EQ(RestoreRefusal(L"(HD0) 2.00GB (C: ) 未知"), protect);
  EXPECT_EQ(MakeRefusal(500, 1, L"H:", request.config), L"");
}

TEST_F(BootDiskTest, CopiesWithoutADriveLetterAreRefusedBeforeAnythingIsFormatted) {
  EXPECT_EQ(MakeRefusal(500, 2, L"", request.config), L"");   // nothing to copy: fine
  request.config.m_nSystemMask = 4;
  EXPECT_EQ(MakeRefusal(500, 2, L"", request.config), L"设备(HD2)没有盘符，无法导入数据！");
}

TEST_F(BootDiskTest, SizeBoxIsReadAsAWholeNumber) {
  EXPECT_EQ(ReadPartitionSize(L"500"), 500);
  EXPECT_EQ(ReadPartitionSize(L""), 0);
  EXPECT_EQ(ReadPartitionSize(L"  12abc"), 12);
  EXPECT_EQ(ReadPartitionSize(L"99999999999999"), 2147483647);
}

TEST_F(BootDiskTest, CommandLinesStartWithTheBareToolNameAndCountSectors) {
  EXPECT_EQ(MakeCommandLine(kTool, 1, 500, kArchive, true),
            L"FbinstPlus.exe (hd1) format -f -e 1024000 --archive \"E:\\Rigmate\\DATA\\Rigmate.FBA\"");
  EXPECT_EQ(MakeCommandLine(L"C:\\T\\FbinstPlus.exe", 2, 1, L"a b.fba", false),
            L"FbinstPlus.exe (hd2) format -e 2048 --archive \"a b.fba\"");
  EXPECT_EQ(MakeCommandLine(kTool, 1, 2000000, kArchive, true),
            L"FbinstPlus.exe (hd1) format -f -e 4096000000 --archive \"E:\\Rigmate\\DATA\\Rigmate.FBA\"");
  EXPECT_EQ(RestoreCommandLine(kTool, 3, true), L"FbinstPlus.exe (hd3) format -f -r");
  EXPECT_EQ(RestoreCommandLine(kTool, 3, false), L"FbinstPlus.exe (hd3) format -r");
  EXPECT_EQ(RestoreCommandLine(L"FbinstPlus.exe", 3, false), L" (hd3) format -r");
}

TEST_F(BootDiskTest, MakeWithNothingToCopyFormatsAndFinishes) {
  EXPECT_EQ(MakeBootDisk(request, progress), 0);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, kTool);
  EXPECT_EQ(fake.starts[0].commandLine, MakeCommandLine(kTool, 1, 500, kArchive, true));
  EXPECT_TRUE(fake.starts[0].wait);
  EXPECT_FALSE(fake.starts[0].show);
  EXPECT_EQ(progress.log, (std::vector<std::wstring>{L"正在格式化磁盘，请稍等...", L"@10", L"@100", L"制作完成！", L"wait 500"}));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(BootDiskTest, MissingToolOrArchiveOrFailedFormatEndsWithOne) {
  request.config.m_strArchivePath = L"E:\\gone.FBA";
  EXPECT_EQ(MakeBootDisk(request, progress), 1);
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{L"找不到制作启动盘必要的数据！"});
  request.config.m_strFbinstPath.clear();
  EXPECT_EQ(MakeBootDisk(request, progress), 1);
  EXPECT_EQ(fake.messages.back().text, L"找不到制作工具FbinstPlus！");
  EXPECT_EQ(fake.messages.back().style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());

  request.config.m_strFbinstPath = kTool;
  request.config.m_strArchivePath = kArchive;
  request.config.m_nCopyFlags = 15;
  fake.SetExitCode(L"FbinstPlus", 3);
  EXPECT_EQ(MakeBootDisk(request, progress), 1);
  EXPECT_EQ(progress.last, L"格式化出错！");
  EXPECT_TRUE(fake.Tree(L"H:").empty());
}

TEST_F(BootDiskTest, MakeCopiesFoldersThenImagesAndSkipsAMissingImage) {
  fake.AddFile(L"E:\\Rigmate\\COURSE\\a.mp4", "v");
  fake.AddFile(L"E:\\Rigmate\\DATA\\menu.lst", "m");
  fake.AddFile(L"D:\\img\\WINXP.GHO", "xp");
  fake.AddFolder(L"H:\\");
  request.config.m_nCopyFlags = kCopyVideo | kCopyData;
  request.config.m_nSystemMask = 1 | 64;
  request.config.m_strSystemPath[0] = L"D:\\img\\WINXP.GHO";
  request.config.m_strSystemPath[6] = L"";   // never found
  EXPECT_EQ(MakeBootDisk(request, progress), 0);

  EXPECT_EQ(fake.Contents(L"H:\\Rigmate\\COURSE\\a.mp4"), "v");
  EXPECT_EQ(fake.Contents(L"H:\\Rigmate\\DATA\\menu.lst"), "m");
  EXPECT_EQ(fake.Contents(L"H:\\Rigmate\\GHO\\WINXP.GHO"), "xp");
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{L"找不到文件"});
  EXPECT_EQ(progress.log,
            (std::vector<std::wstring>{L"正在格式化磁盘，请稍等...", L"@10", L"@20", L"拷贝视频文件...", L"@50",
                                       L"导入启动盘数据...", L"@57", L"正在拷贝D:\\img\\WINXP.GHO", L"@100",
                                       L"制作完成！", L"wait 500"}));
}

TEST_F(BootDiskTest, AFailedCopyLeavesItsTextAndStopsTheMake) {
  fake.AddFile(L"E:\\Rigmate\\TOOL\\x.exe");
  fake.AddFile(L"E:\\Rigmate\\DRIVER_GENUS\\d.exe");
  fake.AddFile(L"D:\\WIN732.GHO");
  fake.AddFolder(L"H:\\");
  fake.Fail(FakeSeam::Op::CopyOneFile, L"H:\\Rigmate\\DRIVER_GENUS\\d.exe");
  request.config.m_nCopyFlags = kCopyTools | kCopyDriver;
  request.config.m_nSystemMask = 2;
  request.config.m_strSystemPath[1] = L"D:\\WIN732.GHO";
  EXPECT_EQ(MakeBootDisk(request, progress), -1);
  EXPECT_EQ(progress.last, L"拷贝驱动精灵失败！");
  EXPECT_FALSE(fake.Exists(L"H:\\Rigmate\\GHO"));

  fake.Fail(FakeSeam::Op::CopyOneFile, L"H:\\Rigmate\\GHO\\WIN732.GHO");
  request.config.m_nCopyFlags = 0;
  EXPECT_EQ(MakeBootDisk(request, progress), -1);
  EXPECT_EQ(progress.last, L"拷贝D:\\WIN732.GHO失败，请检查磁盘容量！");
}

TEST_F(BootDiskTest, RestoreAsksWithTheEntryAndRunsOnlyOnYes) {
  RestoreRequest restore{kTool, L"(HD2) 7.50GB (H: ) 未知", false};
  EXPECT_EQ(RestoreBootDisk(restore), 1);   // the fake answers No
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{
                                L"你确定要对设备(HD2) 7.50GB (H: ) 未知恢复么？这将会清空您磁盘上的所有数据，恢复前请先自行备份数据！"});
  EXPECT_EQ(fake.messages[0].style, 0x24u);
  EXPECT_TRUE(fake.starts.empty());

  fake.QueueAnswer(6);
  fake.SetExitCode(L"FbinstPlus", 5);
  EXPECT_EQ(RestoreBootDisk(restore), -1);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine, L"FbinstPlus.exe (hd2) format -r");
  EXPECT_EQ(fake.messages.size(), 2u);   // nothing said about the outcome

  restore.fbinstPath = L"E:\\gone.exe";
  EXPECT_EQ(RestoreBootDisk(restore), 1);
  EXPECT_EQ(fake.messages.back().text, L"找不到制作工具FbinstPlus！");
}

TEST_F(BootDiskTest, ASecondRestoreIsRefusedWhileTheFirstRuns) {
  std::mutex lock;
  std::condition_variable changed;
  bool started = false, release = false;
  fake.onStart = [&](const FakeSeam::ProcessStart&) {
    std::unique_lock<std::mutex> hold(lock);
    started = true;
    changed.notify_all();
    changed.wait(hold, [&] { return release; });
    return 0;
  };
  fake.QueueAnswer(6);
  RestoreRunner runner;
  ASSERT_TRUE(runner.Start({kTool, L"(HD1) 1.00GB (H: ) 未知", true}));
  {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return started; });
  }
  EXPECT_TRUE(runner.Running());
  EXPECT_FALSE(runner.Start({kTool, L"(HD1) 1.00GB (H: ) 未知", true}));
  {
    std::lock_guard<std::mutex> hold(lock);
    release = true;
  }
  changed.notify_all();
  runner.Join();
  EXPECT_FALSE(runner.Running());
  EXPECT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine, L"FbinstPlus.exe (hd1) format -f -r");
}

TEST_F(BootDiskTest, DataDialogMapsTicksIntoTheBitSets) {
  BootDiskConfig config;
  EXPECT_EQ(CopyFlagsOf(true, true, true, true), 15u);
  EXPECT_EQ(CopyFlagsOf(false, false, true, false), 4u);
  std::vector<std::pair<std::wstring, bool>> rows;
  for (int i = 0; i < kSystemCount; ++i) rows.emplace_back(kSystemNames[i], i == 0 || i == 6);
  EXPECT_EQ(SystemMaskOf(rows, config), 65u);
  rows[1] = {L"win732.gho", true};   // names compare exactly
  EXPECT_EQ(SystemMaskOf(rows, config), 65u);
  EXPECT_EQ(SearchedPathText(L""), L"未找到文件！");
}

TEST_F(BootDiskTest, SearchFindsEachImageAndReportsEachStep) {
  fake.AddFile(L"E:\\Rigmate\\GHO\\WIN764.GHO");
  BootDiskConfig config;
  std::array<std::wstring, kSystemCount> paths;
  paths[0] = L"stale";
  SearchSystems(config, &paths, progress);
  EXPECT_EQ(paths[0], L"");
  EXPECT_EQ(paths[2], L"E:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(progress.log.front(), L"搜索WINXP.GHO...");
  EXPECT_EQ(progress.log[13], L"@98");
  EXPECT_EQ(progress.log[14], L"加载完成！");
}

}  // namespace
