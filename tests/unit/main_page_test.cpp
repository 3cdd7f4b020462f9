// The main page's actions on a simulated machine: what is found, asked, run and refused.
#include <gtest/gtest.h>

#include "pages/install/main_page_actions.h"
#include "platform/disk.h"
#include "platform/pe_flag.h"
#include "tests/fakes/fake_seam.h"

namespace {

class MainPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.SetDrives(L"CDE");
    fake.modulePath = L"E:\\tools\\Rigmate.exe";
    fake.volumes[L'C'].number = {7, 0, 1};
    fake.volumes[L'D'].number = {7, 0, 2};
    fake.volumes[L'E'].number = {7, 1, 1};
    TheDisk().Refresh();
    g_bInPE = 0;
  }
  void TearDown() override {
    g_bInPE = 0;
    TheDisk().Refresh();
  }
  std::wstring OnlyMessage() const {
    return fake.messages.size() == 1 ? fake.messages[0].text : L"<" + std::to_wstring(fake.messages.size()) + L" messages>";
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(MainPageTest, ImageBesideTheProgramWinsAndTheFirstDriveRootComesNext) {
  fake.AddFile(L"E:\\tools\\Rigmate\\GHO\\WIN764.GHO");
  fake.AddFile(L"C:\\Rigmate\\GHO\\WIN764.GHO");
  fake.AddFile(L"D:\\Rigmate\\GHO\\WINXP.GHO");
  fake.AddFile(L"C:\\Rigmate\\GHO\\WINXP.GHO");
  fake.AddFile(L"D:\\deeper\\Rigmate\\GHO\\WIN732.GHO");  // below a root: never found

  main_page::QuickInstallSlots slots = main_page::SearchQuickInstallImages();
  EXPECT_EQ(slots[0], L"C:\\Rigmate\\GHO\\WINXP.GHO");
  EXPECT_EQ(slots[1], L"");
  EXPECT_EQ(slots[2], L"E:\\tools\\Rigmate\\GHO\\WIN764.GHO");
  for (int i = 3; i < 7; ++i) EXPECT_EQ(slots[i], L"") << i;
}

TEST_F(MainPageTest, AnImagePathThatDoesNotFitItsSlotIsNotTaken) {
  std::wstring folder = L"E:\\" + std::wstring(240, L'x');
  fake.modulePath = folder + L"\\Rigmate.exe";
  fake.AddFile(folder + L"\\Rigmate\\GHO\\WIN1064.GHO");
  EXPECT_EQ(main_page::SearchQuickInstallImages()[6], L"");
}

TEST_F(MainPageTest, TargetIsTheFirstDiskVolumeWithAnMbrOrGptPartition) {
  fake.SetDrives(L"BCDEF");
  fake.volumes[L'B'].open = VolumeOpen::NotOpened;
  fake.volumes[L'C'].number.deviceType = 2;        // an optical drive
  fake.volumes[L'D'].partitionStyle = 2;           // RAW
  fake.volumes[L'E'].partitionStyle = 1;           // GPT
  fake.volumes[L'F'].partitionStyle = 0;
  EXPECT_EQ(main_page::ChooseQuickInstallTarget(), L"E:");

  fake.volumes[L'E'].partitionStyle = -1;          // the partition query fails
  EXPECT_EQ(main_page::ChooseQuickInstallTarget(), L"F:");
}

TEST_F(MainPageTest, QuickInstallWithoutAnImageNamesTheIndexAndDoesNothingElse) {
  main_page::QuickInstall(3, L"");
  EXPECT_EQ(OnlyMessage(), L"找不到指定的文件！\n系统编号：3");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());

  fake.messages.clear();
  main_page::QuickInstall(5, L"D:\\gone\\WIN1032.GHO");    // the file went away after start-up
  EXPECT_EQ(OnlyMessage(), L"找不到指定的文件！\n系统编号：5");
}

TEST_F(MainPageTest, QuickInstallWithoutASuitableDriveIsRefused) {
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO");
  for (auto& v : fake.volumes) v.second.partitionStyle = 2;
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(OnlyMessage(), L"找不到合适还原的分区！");
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(MainPageTest, QuickInstallAsksAndNoChangesNothing) {
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO");
  fake.QueueAnswer(7);  // No
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(OnlyMessage(),
            L"确定将文件：D:\\Rigmate\\GHO\\WIN764.GHO 还原到C:盘中么？\n这将会清空您C:盘的数据，还原前请将数据备份！");
  EXPECT_EQ(fake.messages[0].style, 0x24u);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.fileOps.empty());
}

TEST_F(MainPageTest, QuickInstallInsidePeRunsGhostAndThenOffersTheRestart) {
  g_bInPE = 1;
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO");
  fake.AddFile(L"E:\\GHOST32.EXE");
  fake.QueueAnswer(6);  // Yes, restore
  fake.QueueAnswer(7);  // No, restart later
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");

  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"E:\\GHOST32.EXE");
  EXPECT_EQ(fake.starts[0].commandLine,
            L"E:\\GHOST32.EXE -noide -nousb -clone,mode=pload,src=\"D:\\Rigmate\\GHO\\WIN764.GHO:1\",dst=C: -crcignore -sure");
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[1].text, L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启");
  EXPECT_EQ(fake.rebootRequests, 0);
}

TEST_F(MainPageTest, OneClickQuestionsNameDriveAndImageInTheirOrder) {
  fake.QueueAnswer(7);
  main_page::OneClickBackup();
  EXPECT_EQ(OnlyMessage(), L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？");

  fake.messages.clear();
  fake.QueueAnswer(7);
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), L"确定还原镜像文件D:\\RigmateBackup.GHO到C:盘中么？");
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(MainPageTest, OneClickBackupInsidePeCompressesWithThree) {
  g_bInPE = 1;
  fake.AddFile(L"C:\\GHOST32.EXE");
  fake.QueueAnswer(6);  // back up
  fake.QueueAnswer(7);  // restart later
  main_page::OneClickBackup();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine,
            L"C:\\GHOST32.EXE -noide -nousb -clone,mode=pdump,src=C:,dst=\"D:\\RigmateBackup.GHO\" -z3 -crcignore -sure");
}

TEST_F(MainPageTest, OneClickRestoreOfAMissingImageStopsAtTheDispatcher) {
  fake.QueueAnswer(6);
  main_page::OneClickRestore();
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[1].text, L"镜像文件：D:\\RigmateBackup.GHO不存在！");
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(MainPageTest, RemoteControlIsFoundBesideTheProgramOrInADriveRoot) {
  main_page::StartRemoteControl();
  EXPECT_EQ(OnlyMessage(), L"在当前目录和所有逻辑分区的根目录下找不到远程控制端！");
  EXPECT_TRUE(fake.starts.empty());

  fake.messages.clear();
  fake.AddFile(L"D:\\TeamViewer.exe");
  main_page::StartRemoteControl();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"D:\\TeamViewer.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"");
  EXPECT_FALSE(fake.starts[0].wait);
  EXPECT_TRUE(fake.starts[0].show);
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(MainPageTest, SystemFactsShowBitnessAndMemory) {
  fake.wow64 = true;
  fake.physicalMemory = 3ull * 1024 * 1024 * 1024 + 512ull * 1024 * 1024;
  main_page::SystemFacts facts = main_page::ReadSystemFacts();
  EXPECT_EQ(facts.architecture, L"64位");
  EXPECT_EQ(facts.memory, L"3.50 GB");

  fake.wow64 = false;
  fake.memoryFails = true;
  facts = main_page::ReadSystemFacts();
  EXPECT_EQ(facts.architecture, L"32位");
  EXPECT_EQ(facts.memory, L"0.00 GB");
}

}  // namespace
