// The main page's actions on a simulated machine: what is found, asked, run and refused.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "app/command_line.h"
#include "app/unattended_job.h"
#include "pages/install/install_page_actions.h"
#include "pages/install/main_page_actions.h"
#include "pages/install/restore_target.h"
#include "platform/disk.h"
#include "platform/pe_flag.h"
#include "deploy/dos_stage.h"
#include "tests/fakes/fake_seam.h"
#include "tests/unit/deploy_machine.h"

namespace {

constexpr int64_t kGiB = 1024ll * 1024 * 1024;

class MainPageTest : public ::testing::Test {
 protected:
  // A lettered MBR partition; partitions are numbered from 1 on each disk in order.
  struct Part {
    int disk;
    wchar_t letter;
    int64_t bytes;
    bool active = false;
    uint8_t type = 0x07;
    std::wstring label = std::wstring();
  };

  void SetUp() override {
    Layout({{0, L'C', 60 * kGiB}, {0, L'D', 400 * kGiB}, {1, L'E', 16 * kGiB}});
    fake.modulePath = L"E:\\tools\\Rigmate.exe";
    deploy_test::AddPayload(fake);
    g_bInPE = 0;
  }
  void TearDown() override {
    g_bInPE = 0;
    TheDisk().Refresh();
  }
  // Replaces the machine's disks and letters (given in letter order) and reads the model again.
  void Layout(const std::vector<Part>& parts) {
    fake.disks.clear();
    fake.volumes.clear();
    fake.SetDrives(L"");
    std::map<int, std::vector<PartitionInfoEx>> entries;
    for (const Part& part : parts) {
      std::vector<PartitionInfoEx>& list = entries[part.disk];
      list.push_back(FakeSeam::MbrEntry(static_cast<uint32_t>(list.size() + 1), part.bytes, part.type));
      list.back().Mbr.BootIndicator = part.active;
      fake.AddVolume(std::wstring(1, part.letter) + L":", part.disk, static_cast<int>(list.size())).label = part.label;
    }
    for (const auto& disk : entries) fake.AddDisk(disk.first, 0, disk.second, 500 * kGiB);
    TheDisk().Refresh();
  }
  // Inside a PE, whose own system lies on X:.
  void InsidePe() {
    g_bInPE = 1;
    fake.systemDirectory = L"X:\\Windows\\system32";
  }
  void OnUsbDisk(int disk) { fake.disks[disk].storage.busType = 7; }
  std::wstring Target(const std::wstring& image) { return main_page::ChooseQuickInstallTarget(image).letter; }
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

TEST_F(MainPageTest, TargetSkipsWhatIsNoLetteredMbrOrGptPartitionOfADisk) {
  Layout({{0, L'C', 60 * kGiB}, {0, L'D', 60 * kGiB}, {0, L'E', 60 * kGiB}, {0, L'F', 60 * kGiB}});
  fake.SetDrives(L"BCDEFG");                       // B: and G: on no disk of the model
  fake.volumes[L'C'].number.deviceType = 2;        // an optical drive
  fake.volumes[L'D'].partitionStyle = 2;           // RAW
  fake.volumes[L'E'].partitionStyle = -1;          // the partition query fails
  fake.volumes[L'F'].partitionStyle = 1;           // GPT
  fake.volumes[L'G'].number = {7, 0, 9};
  main_page::RestoreTarget target = main_page::ChooseQuickInstallTarget(L"X:\\a.gho");
  EXPECT_EQ(target.letter, L"F:");
  EXPECT_EQ(target.size, L"60.00 GB");
  EXPECT_EQ(target.label, L"本地磁盘");
}

// Inside a PE the first letter is often the wrong partition: a small system partition,
// a data partition, or the stick the PE started from.
TEST_F(MainPageTest, QuickInstallInsidePeTakesTheWindowsPartitionNeverTheStick) {
  InsidePe();
  const std::wstring image = L"E:\\Rigmate\\GHO\\WIN764.GHO";
  fake.AddFile(image);
  fake.SetFileSize(image, 4 * kGiB);

  // C: a 100 MB active system partition, Windows on D:, the program and image on a USB E:.
  Layout({{0, L'C', 100 << 20, true}, {0, L'D', 60 * kGiB}, {1, L'E', 16 * kGiB}});
  OnUsbDisk(1);
  fake.AddFolder(L"D:\\Windows\\System32");
  EXPECT_EQ(Target(image), L"D:");

  // C: is the USB disk the PE started from; a data partition D: comes before Windows on E:.
  fake.modulePath = L"C:\\Rigmate.exe";
  const std::wstring onStick = L"C:\\Rigmate\\GHO\\WIN764.GHO";
  fake.AddFile(onStick);
  Layout({{0, L'C', 16 * kGiB}, {1, L'D', 200 * kGiB}, {1, L'E', 60 * kGiB}});
  OnUsbDisk(0);
  fake.ShellDelete(L"D:\\Windows");
  fake.AddFolder(L"E:\\Windows\\System32");
  EXPECT_EQ(Target(onStick), L"E:");

  // No Windows anywhere (a new disk): the active partition of the first disk, then the
  // first letter; removable media count as portable as much as a USB bus does.
  fake.ShellDelete(L"E:\\Windows");
  Layout({{0, L'C', 16 * kGiB}, {1, L'D', 200 * kGiB}, {1, L'E', 60 * kGiB, true}});
  fake.disks[0].storage.removableMedia = true;
  EXPECT_EQ(Target(onStick), L"E:");
  Layout({{0, L'C', 16 * kGiB}, {2, L'D', 200 * kGiB, true}, {1, L'E', 60 * kGiB, true}});
  fake.disks[0].storage.removableMedia = true;
  EXPECT_EQ(Target(onStick), L"E:") << "the active partition of disk 1 before that of disk 2";
  Layout({{0, L'C', 16 * kGiB}, {1, L'D', 200 * kGiB}, {1, L'E', 60 * kGiB}});
  fake.disks[0].storage.removableMedia = true;
  EXPECT_EQ(Target(onStick), L"D:");

  // The program's own partition is in use inside a PE, even on a fixed disk.
  Layout({{0, L'C', 60 * kGiB}, {0, L'D', 200 * kGiB}});
  fake.AddFolder(L"C:\\Windows\\System32");
  fake.AddFile(L"D:\\WIN764.GHO");
  EXPECT_EQ(Target(L"D:\\WIN764.GHO"), L"") << "C: runs the program, D: holds the image";
}

// Factory layouts as a PE letters them, with the program and image on a stick U:. No
// recovery, tool or boot partition is the quick install's target; the one-click C: is
// refused where it is one, or has no Windows while another partition has one.
TEST_F(MainPageTest, PeLayoutsOfMakersAndSetup) {
  InsidePe();
  const int64_t M = 1 << 20, G = kGiB;
  const std::wstring image = L"U:\\WIN1064.GHO";
  const struct {
    std::vector<Part> parts;
    wchar_t windows;             // the letter that holds Windows; 0: none; B: none, a boot store on C:
    std::wstring target, told;   // told: how the one-click backup's box starts
  } rows[] = {
      {{{0, L'C', 40 * M, 0, 0xDE, L"DellUtility"}, {0, L'D', 15 * G, 1, 7, L"RECOVERY"}, {0, L'E', 400 * G}}, 0,
       L"E:", L"C:盘（0.04 GB，DellUtility）是恢复分区、厂商的工具分区或启动分区，不是Windows所在的分区，不能进行一键备份！"},
      {{{0, L'C', 260 * M, 1, 7, L"SYSTEM"}, {0, L'D', 400 * G}, {0, L'E', 20 * G, 0, 0x27}, {0, L'F', 5 * G, 0, 0x0C, L"HP_TOOLS"}},
       L'D', L"D:", L"C:盘（0.25 GB，SYSTEM）中没有Windows，Windows在D:盘上，不能进行一键备份！请在“备份还原”页中选择分区。"},
      {{{0, L'C', 100 * M, 1, 7, L"系统保留"}, {0, L'D', 200 * G}}, L'D', L"D:", L"C:盘（0.10 GB，系统保留）中没有Windows"},
      {{{0, L'C', 260 * M, 1, 7, L"SYSTEM"}, {0, L'D', 400 * G}}, L'B', L"D:", L"C:盘（0.25 GB，SYSTEM）是恢复分区"},
      {{{0, L'C', 60 * G}, {0, L'D', 400 * G}}, 0, L"C:", L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？\nC:盘：60.00 GB"},
  };
  fake.modulePath = L"U:\\Rigmate.exe";
  fake.AddFile(image);
  fake.AddFile(L"U:\\GHOST32.EXE");
  fake.SetFileSize(image, 4 * G);
  for (const auto& row : rows) {
    for (const wchar_t* folder : {L"C:\\Windows", L"D:\\Windows", L"C:\\Boot"}) fake.ShellDelete(folder);
    std::vector<Part> parts = row.parts;
    parts.push_back({1, L'U', 16 * G});
    Layout(parts);
    OnUsbDisk(1);
    if (row.windows == L'B') fake.AddFile(L"C:\\Boot\\BCD");
    else if (row.windows) fake.AddFolder(std::wstring(1, row.windows) + L":\\Windows\\System32");
    EXPECT_EQ(Target(image), row.target) << row.told;
    fake.messages.clear();
    main_page::OneClickBackup();
    EXPECT_EQ(OnlyMessage().substr(0, row.told.size()), row.told);
  }
}

TEST_F(MainPageTest, QuickInstallOnTheDesktopTakesTheRunningWindowsNeverOneTooSmall) {
  fake.AddFolder(L"C:\\Windows\\System32");
  fake.AddFolder(L"E:\\Windows\\System32");
  fake.AddFile(L"D:\\WIN764.GHO");
  fake.SetFileSize(L"D:\\WIN764.GHO", 8 * kGiB);
  // Another partition of the target's disk holds the image: the DOS stage needs no more.
  EXPECT_EQ(Target(L"D:\\WIN764.GHO"), L"C:");

  fake.AddFile(L"C:\\WIN764.GHO");
  EXPECT_EQ(Target(L"C:\\WIN764.GHO"), L"C:") << "the staging moves the image off its target";

  // On the desktop the running Windows comes first, even behind another one.
  fake.systemDirectory = L"E:\\Windows\\system32";
  EXPECT_EQ(Target(L"D:\\WIN764.GHO"), L"E:");
  fake.SetFileSize(L"D:\\WIN764.GHO", 20 * kGiB);
  EXPECT_EQ(Target(L"D:\\WIN764.GHO"), L"C:") << "E: is smaller than the image";
}

TEST_F(MainPageTest, QuickInstallWithoutAnImageNamesTheIndexAndDoesNothingElse) {
  main_page::QuickInstall(3, L"");
  EXPECT_EQ(OnlyMessage(), L"找不到指定的文件！\n系统编号：3\nWindows 8.1 32位的快速安装镜像：\nE:\\tools\\Rigmate\\GHO\\WIN832.GHO");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());

  fake.messages.clear();
  main_page::QuickInstall(5, L"D:\\gone\\WIN1032.GHO");    // the file went away after start-up
  EXPECT_EQ(OnlyMessage(), L"找不到指定的文件！\n系统编号：5\nWindows 10 32位的快速安装镜像：\nD:\\gone\\WIN1032.GHO");
}

TEST_F(MainPageTest, QuickInstallWithoutASuitableDriveIsRefused) {
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO");
  for (auto& v : fake.volumes) v.second.partitionStyle = 2;
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(OnlyMessage(), L"找不到合适还原的分区！\n还原目标须是本机硬盘上的分区，容量不小于镜像（0.00 GB）；"
                           L"U盘和可移动磁盘上的分区不算在内。\n镜像：D:\\Rigmate\\GHO\\WIN764.GHO\n"
                           L"C:：读不出分区的类型\nD:：读不出分区的类型\nE:：读不出分区的类型");

  fake.messages.clear();
  Layout({{0, L'C', 60 * kGiB}, {0, L'D', 400 * kGiB}, {1, L'E', 16 * kGiB}});
  fake.disks[0].storage.removableMedia = true;
  OnUsbDisk(1);
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(OnlyMessage().find(L"找不到合适还原的分区！\n"), 0u) << "only removable and USB disks";
  EXPECT_NE(OnlyMessage().find(L"\nC:：在U盘或可移动磁盘上\nD:：在U盘或可移动磁盘上\nE:：在U盘或可移动磁盘上"),
            std::wstring::npos);
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(MainPageTest, QuickInstallAsksAndNoChangesNothing) {
  fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO");
  fake.QueueAnswer(7);  // No
  main_page::QuickInstall(2, L"D:\\Rigmate\\GHO\\WIN764.GHO");
  EXPECT_EQ(OnlyMessage(),
            L"确定将文件：D:\\Rigmate\\GHO\\WIN764.GHO 还原到C:盘（60.00 GB，本地磁盘）中么？\n"
            L"这将会清空您C:盘的数据，还原前请将数据备份！");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.fileOps.empty());
}

TEST_F(MainPageTest, QuickInstallInsidePeRunsGhostAndThenOffersTheRestart) {
  InsidePe();
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
  EXPECT_EQ(OnlyMessage(), L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？\nC:盘：60.00 GB，本地磁盘。");

  fake.messages.clear();
  fake.QueueAnswer(7);
  fake.AddFile(L"D:\\RigmateBackup.GHO", "image");   // saved at the fake's clock
  fake.SetFileSize(L"D:\\RigmateBackup.GHO", 5ull << 30);
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), L"确定还原镜像文件D:\\RigmateBackup.GHO到C:盘中么？\nC:盘：60.00 GB，本地磁盘。\n该镜像文件保存于2024-05-06 07:08，大小为5.00 GB。\n"
                           L"这将会清空您C:盘的数据，还原前请将数据备份！");
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(MainPageTest, OneClickBackupInsidePeCompressesWithThree) {
  InsidePe();
  fake.AddFile(L"C:\\GHOST32.EXE");
  fake.QueueAnswer(6);  // back up
  fake.QueueAnswer(7);  // restart later
  main_page::OneClickBackup();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine,
            L"C:\\GHOST32.EXE -noide -nousb -clone,mode=pdump,src=C:,dst=\"D:\\RigmateBackup.GHO\" -z3 -crcignore -sure");
}

TEST_F(MainPageTest, OneClickRestoreOfAMissingImageIsToldBeforeAnyQuestion) {
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), L"镜像文件：D:\\RigmateBackup.GHO不存在！");
  EXPECT_TRUE(fake.starts.empty());
}

// The fixed C: of the one-click buttons is refused on a USB disk, and inside a PE when
// the program runs from it; on the desktop the program's drive is no reason to refuse.
TEST_F(MainPageTest, OneClickRefusesACOnAUsbDiskOrInUseInsidePe) {
  OnUsbDisk(0);
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), L"C:盘位于U盘或可移动磁盘上，不是本机的系统分区，不能进行一键还原！");
  EXPECT_EQ(fake.messages[0].style, 0x30u);

  fake.messages.clear();
  fake.disks[0].storage.busType = 11;
  fake.modulePath = L"C:\\Rigmate.exe";
  InsidePe();
  main_page::OneClickBackup();
  EXPECT_EQ(OnlyMessage(), L"C:盘正被当前运行的PE或本软件使用，不能进行一键备份！");

  fake.messages.clear();
  fake.modulePath = L"D:\\Rigmate.exe";      // the same disk, another partition
  fake.AddFile(L"D:\\RigmateBackup.GHO");
  fake.AddFile(L"D:\\GHOST32.EXE");
  const std::wstring question = L"确定还原镜像文件D:\\RigmateBackup.GHO到C:盘中么？\nC:盘：60.00 GB，本地磁盘。\n该镜像文件保存于2024-05-06 07:08，大小为0.00 GB。\n"
                               L"这将会清空您C:盘的数据，还原前请将数据备份！";
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), question);

  fake.messages.clear();
  g_bInPE = 0;
  fake.systemDirectory = L"C:\\Windows\\system32";
  fake.modulePath = L"C:\\Rigmate.exe";
  main_page::OneClickRestore();
  EXPECT_EQ(OnlyMessage(), question);
  EXPECT_TRUE(fake.starts.empty());
}

// On a desktop each would be staged for DOS Ghost: without the payload none asks.
TEST_F(MainPageTest, WithoutThePayloadNoDesktopJobAsksItsQuestion) {
  fake.AddResource(IDR_PAYLOAD_MARK, L"FILE", "incomplete");
  fake.AddFile(L"D:\\RigmateBackup.GHO");
  for (const auto& job : {std::function<void()>([] { main_page::QuickInstall(2, L"D:\\RigmateBackup.GHO"); }),
                          std::function<void()>(main_page::OneClickBackup), std::function<void()>(main_page::OneClickRestore)}) {
    fake.messages.clear();
    job();
    EXPECT_EQ(OnlyMessage(), kPayloadIncompleteText);
  }
}

// Every question that announces a wipe comes after the checks that can refuse its job:
// on a machine that refuses, the refusal is all that is shown, and nothing changes.
class QuestionOrder : public MainPageTest, public ::testing::WithParamInterface<int> {};

TEST_P(QuestionOrder, AskedOnlyAfterTheChecksThatRefuseTheJob) {
  auto page = [](const std::wstring& image, int mode) { install_page::Execute({mode, true, L"C:", image}, WimPageHooks()); };
  std::vector<std::wstring> told;   // the command line's refusals go to its console
  const cli::Output console = [&told](const std::wstring& text, bool error) { if (error) told.push_back(text); };
  const std::wstring uefi = L"不支持在桌面条件下对UEFI启动的电脑进行安装，请在PE中进行安装！";
  const struct {
    std::function<void()> run;   // the refusing machine, then the action that asks
    std::wstring refusal;
  } rows[] = {
      {[&] { fake.firmwareUefi = true; main_page::QuickInstall(2, L"D:\\WIN764.GHO"); }, uefi},
      {[&] { Layout({{0, L'C', 60 * kGiB}, {1, L'E', 16 * kGiB}}); main_page::OneClickBackup(); },
       L"获取分区编号信息失败！"},   // no second partition for the image
      {[&] { fake.volumes[L'C'].partitionStyle = 1; main_page::OneClickRestore(); },
       L"不支持在桌面条件下对GPT分区进行安装，请在PE中进行安装！"},
      {[&] { fake.AddResource(IDR_PAYLOAD_MARK, L"FILE", "-"); page(L"D:\\WIN764.GHO", backup_restore::kRestore); },
       kPayloadIncompleteText},
      {[&] { page(L"D:\\系统 镜像\\B.GHO", backup_restore::kGhostBackup); },
       L"GHO文件的路径含有空格、中文或DOS无法识别的字符，请更改路径或在PE中进行安装！"},
      {[&] { InsidePe(); page(L"D:\\WIN764.GHO", backup_restore::kRestore); },
       L"找不到ghost32.exe，请将ghost32.exe放到本软件目录下或者任一分区根目录下。"},
      {[&] { InsidePe(); fake.AddFile(L"E:\\GHOST32.EXE"); Layout({{0, L'C', 60 * kGiB}, {1, L'E', 16 * kGiB}});
             main_page::OneClickBackup(); }, L"镜像文件：D:\\RigmateBackup.GHO所在的文件夹不存在，请重新选择！"},
      {[&] { page(L"D:\\gone\\B.GHO", backup_restore::kGhostBackup); },
       L"镜像文件：D:\\gone\\B.GHO所在的文件夹不存在，请重新选择！"},
      {[&] { fake.firmwareUefi = true; cli::RunJob(cli::ParseArguments({L"/restore", L"D:\\WIN764.GHO", L"C:"}), console); },
       uefi},   // the command line without /yes
  };
  fake.AddFile(L"D:\\WIN764.GHO", "image");
  fake.AddFile(L"D:\\RigmateBackup.GHO", "image");
  rows[GetParam()].run();
  for (const auto& box : fake.messages) told.push_back(box.text);
  EXPECT_EQ(told, std::vector<std::wstring>{rows[GetParam()].refusal});
  EXPECT_TRUE(deploy_test::Changed(fake).empty());
  EXPECT_TRUE(fake.starts.empty());
}
INSTANTIATE_TEST_SUITE_P(EachQuestion, QuestionOrder, ::testing::Range(0, 9));

TEST_F(MainPageTest, RemoteControlIsFoundBesideTheProgramOrInADriveRoot) {
  main_page::StartRemoteControl();
  EXPECT_EQ(OnlyMessage(), L"在当前目录和所有逻辑分区的根目录下找不到远程控制端！\nE:\\tools\\TeamViewer.exe");
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
