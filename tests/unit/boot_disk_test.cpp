// The boot disk page's logic on a simulated machine: entries, command lines, refusals,
// the disk checked again before a format, the make and its copies onto the new volume,
// the restore and its result, the image search.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "pages/bootmedia/boot_disk_actions.h"
#include "pages/bootmedia/boot_disk_vm.h"
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
  // The user can stop only where the work allows it.
  bool Stopping() const override { return stoppable && !stopAt.empty() && ContainsStop(); }
  void AllowStop(bool allowed) override { stoppable = allowed; }
  bool stoppable = false;
  void StopNote(const std::wstring& note) override { log.push_back(L"note " + note); }
  bool ContainsStop() const { return std::find(log.begin(), log.end(), stopAt) != log.end(); }
  std::vector<std::wstring> log;
  std::wstring last;
  std::wstring stopAt;          // the user stops once this status was shown
};

class BootDiskTest : public ::testing::Test {
 protected:
  // Disk 0 holds C:, the running Windows; disk 1 is a USB stick with H:; the program,
  // the tool and its archive lie on E:, which answers as no disk's volume.
  void SetUp() override {
    fake.modulePath = L"E:\\Rigmate.exe";
    fake.AddFile(kTool);
    fake.AddFile(kArchive);
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 2ll << 30)}, 2ll << 30);
    fake.AddVolume(L"C:", 0, 1);
    fake.AddDisk(1, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 1ll << 30).storage = StorageFacts{true, 7, L""};
    fake.AddVolume(L"H:", 1, 1);
    fake.AddFolder(L"H:\\");
    request.config.m_strFbinstPath = kTool;
    request.config.m_strArchivePath = kArchive;
    request.sizeMb = 500;
    request.disk = Chosen(1);
  }
  static DiskIdentity Chosen(int disk) {
    for (const DeviceChoice& choice : ReadDeviceChoices())
      if (choice.identity.disk == disk) return choice.identity;
    return DiskIdentity();
  }
  // The tool formats disk 1: its old volume H: (or J:) goes and a new one, J:, comes.
  void FormatGivesNewVolume(uint64_t free = 1ull << 30) {
    fake.onStart = [this, free](const FakeSeam::ProcessStart&) {
      fake.RemoveVolume(L"H:");
      fake.RemoveVolume(L"J:");
      fake.AddVolume(L"J:", 1, 1).freeBytes = free;
      fake.AddFolder(L"J:\\");
      return 0;
    };
  }
  void TearDown() override { TheDisk().Refresh(); }
  BootDiskCode Make() { return (last = MakeBootDisk(request, progress)).code; }
  std::vector<std::wstring> MessageTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
  MakeRequest request;
  RecordedProgress progress;
  BootDiskOutcome last;
};

TEST_F(BootDiskTest, DeviceListIsReadFromTheMachineNowAndKeepsTheChoice) {
  size_t modelDevices = TheDisk().devices.size();
  std::vector<DeviceChoice> before = ReadDeviceChoices();
  ASSERT_EQ(EntriesOf(before), (std::vector<std::wstring>{L"(HD0) 2.00GB (C: ) 固定磁盘", L"(HD1) 1.00GB (H: ) USB磁盘"}));
  EXPECT_EQ(before[1].identity.storage.busType, 7u);
  EXPECT_TRUE(before[1].identity.storage.removableMedia);
  EXPECT_EQ(DiskNumberOfEntry(before[1].entry), 1);
  EXPECT_EQ(DestinationDriveOfEntry(before[1].entry), L"H:");
  EXPECT_EQ(TheDisk().devices.size(), modelDevices);   // the program's model is not read again

  // A stick plugged in behind; the chosen one gets another letter; then it is pulled out.
  fake.AddDisk(3, 0, {FakeSeam::MbrEntry(1, 1ll << 31)}, 1ll << 31);
  fake.RemoveVolume(L"H:");
  fake.AddVolume(L"K:", 1, 1);
  std::vector<DeviceChoice> now = ReadDeviceChoices();
  EXPECT_EQ(EntriesOf(now).size(), 3u);
  EXPECT_EQ(EntryToKeep(before, before[0].entry, now), before[0].entry);
  EXPECT_EQ(EntryToKeep(before, before[1].entry, now), L"(HD1) 1.00GB (K: ) USB磁盘");
  fake.disks.erase(1);
  EXPECT_EQ(EntryToKeep(before, before[1].entry, ReadDeviceChoices()), L"");
  EXPECT_EQ(EntryToKeep({}, kNoDevice, now), L"");

  EXPECT_EQ(EntriesOf({}), std::vector<std::wstring>{L"找不到任何可用设备！"});
  EXPECT_EQ(DiskNumberOfEntry(L"(HD12) 7.50GB () 未知"), 12);
  EXPECT_EQ(DestinationDriveOfEntry(L"(HD12) 7.50GB () 未知"), L"");
  EXPECT_EQ(DiskNumberOfEntry(L""), -1);
  EXPECT_EQ(DiskNumberOfEntry(kNoDevice), -1);
  EXPECT_EQ(DiskNumberOfEntry(L"(HDx) "), 0);
}

TEST_F(BootDiskTest, TypeTextsOrderAndTheOneStickChosenByItself) {
  // The system says what each disk is; "未知" where it says nothing.
  fake.AddDisk(10, 0, {}, 1ll << 30).storage = StorageFacts{true, 12, L""};
  fake.AddDisk(2, 0, {}, 1ll << 30).storage = StorageFacts{true, 11, L""};
  fake.AddDisk(3, 0, {}, 1ll << 30).storageKnown = false;
  fake.AddDisk(4, 0, {}, 2ll << 40);                       // an internal 2 TB disk
  std::vector<std::wstring> entries = EntriesOf(ReadDeviceChoices());
  EXPECT_EQ(entries, (std::vector<std::wstring>{
                         L"(HD0) 2.00GB (C: ) 固定磁盘", L"(HD1) 1.00GB (H: ) USB磁盘", L"(HD2) 1.00GB () 可移动磁盘",
                         L"(HD3) 1.00GB () 未知", L"(HD4) 2048.00GB () 固定磁盘", L"(HD10) 1.00GB () 存储卡"}));
  // Three removable disks: none is chosen for the user; never a fixed or unknown one.
  EXPECT_EQ(PreselectedEntry(ReadDeviceChoices()), L"");
  fake.disks.erase(2);
  fake.disks.erase(10);
  EXPECT_EQ(PreselectedEntry(ReadDeviceChoices()), L"(HD1) 1.00GB (H: ) USB磁盘");
  fake.modulePath = L"H:\\Rigmate.exe";                   // the stick the program runs from
  EXPECT_EQ(PreselectedEntry(ReadDeviceChoices()), L"");
  // A 2 TB USB backup disk is never chosen, alone or beside a stick; nor is a removable HD0.
  fake.disks.erase(1);
  fake.AddDisk(5, 0, {}, 2ll << 40).storage = StorageFacts{true, 7, L"WD-01"};
  fake.systemDirectory = L"H:\\Windows\\system32";
  fake.disks[0].storage = StorageFacts{true, 7, L""};
  EXPECT_EQ(PreselectedEntry(ReadDeviceChoices()), L"");
  fake.AddDisk(6, 0, {}, kLargestStick).storage = StorageFacts{false, 7, L""};   // a stick that says "fixed"
  EXPECT_EQ(PreselectedEntry(ReadDeviceChoices()), L"(HD6) 128.00GB () USB磁盘");
}

TEST_F(BootDiskTest, RefusalsBeforeAnythingIsAsked) {
  const std::wstring protect = L"为了保护用户磁盘，禁止对设备(HD0)进行操作！";
  EXPECT_EQ(MakeRefusal(500, DiskNumberOfEntry(kNoDevice)), L"请选择一个磁盘！");
  EXPECT_EQ(MakeRefusal(0, -1), L"请输入正确的分区大小！");   // size first
  EXPECT_EQ(MakeRefusal(500, 0), protect);
  EXPECT_EQ(MakeRefusal(500, 1), L"");
  EXPECT_EQ(MakeRefusal(500, DiskNumberOfEntry(L"(HD-3) 1.00GB () USB磁盘")), L"请选择一个磁盘！");
  EXPECT_EQ(RestoreRefusal(L"(HD-3) 1.00GB () USB磁盘"), L"请选择一个设备以进行操作！");
  EXPECT_EQ(RestoreRefusal(kNoDevice), L"请选择一个设备以进行操作！");
  EXPECT_EQ(RestoreRefusal(L""), L"请选择一个设备以进行操作！");
  EXPECT_EQ(RestoreRefusal(L"(HD0) 2.00GB (C: ) 固定磁盘"), protect);
  EXPECT_EQ(RestoreStartRefusal(L"E:\\gone.exe", L"(HD1) 1.00GB (H: ) 未知", nullptr), L"找不到制作工具FbinstPlus！\nE:\\gone.exe");
  fake.systemDirectory = L"E:\\Windows\\system32";     // HD0 refused for its number, not for Windows on it
  const std::vector<DeviceChoice> choices = ReadDeviceChoices();
  EXPECT_EQ(RestoreStartRefusal(kTool, choices[0].entry, &choices[0]), protect);

  EXPECT_EQ(ToolPathRefusal(kTool), L"");
  EXPECT_EQ(ToolPathRefusal(L""), L"");
  EXPECT_EQ(ToolPathRefusal(L"E:\\Rigmate\\DATA"), L"找不到文件E:\\Rigmate\\DATA，请选择FbinstPlus程序！");
  EXPECT_NE(ToolPathRefusal(L"E:\\Rigmate\\DATA\\Fbinst*.exe"), L"");
  EXPECT_NE(ToolPathRefusal(L"E:\\nothing.exe"), L"");
}

TEST_F(BootDiskTest, TheDiskIsReadAgainAndRefusedWhenItChangedOrHoldsWhatMustStay) {
  const DiskIdentity chosen = Chosen(1);
  EXPECT_EQ(DiskRefusal(chosen, {kTool, kArchive}), L"");
  const std::wstring changed = L"设备(HD1)已经改变或被拔出，请重新选择设备！";
  fake.disks[1].length = 2ll << 30;                        // another stick under number 1
  EXPECT_EQ(DiskRefusal(chosen, {}), changed);
  fake.disks[1].length = 1ll << 30;
  fake.disks[1].storage = StorageFacts{false, 11, L""};                  // a fixed SATA disk now
  EXPECT_EQ(DiskRefusal(chosen, {}), changed);
  fake.disks[1].storage.serial = L"AA0001";                 // a stick of the same model and size
  EXPECT_EQ(DiskRefusal(chosen, {}), changed);
  for (const wchar_t* serial : {L"", L"AA0001"}) {        // two sticks with one serial, or none, in two ports
    fake.disks[1].storage = StorageFacts{true, 7, serial, L"USBSTOR\\DISK&VEN_X\\7&2A&0"};
    const DiskIdentity first = Chosen(1);
    fake.disks[1].storage.instancePath = L"USBSTOR\\DISK&VEN_X\\7&3B&0";
    EXPECT_EQ(DiskRefusal(first, {}), changed) << serial;
  }
  fake.disks[1].storage = StorageFacts{true, 7, L""};
  fake.AddVolume(L"I:", 1, 2);                             // a second letter
  fake.AddDisk(1, 0, {FakeSeam::MbrEntry(1, 1ll << 29), FakeSeam::MbrEntry(2, 1ll << 29)}, 1ll << 30);
  EXPECT_EQ(DiskRefusal(chosen, {}), changed);
  fake.disks.erase(1);                                     // pulled out
  EXPECT_EQ(DiskRefusal(chosen, {}), changed);

  // The running Windows, the program, the tool or archive on the chosen disk.
  fake.systemDirectory = L"H:\\Windows\\system32";
  fake.AddDisk(1, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 1ll << 30).storage = StorageFacts{true, 7, L""};
  EXPECT_EQ(DiskRefusal(chosen, {}), L"设备(HD1)上有正在运行的Windows，禁止对其进行操作！");
  fake.systemDirectory = L"C:\\Windows\\system32";
  fake.modulePath = L"H:\\Rigmate\\Rigmate.exe";
  EXPECT_EQ(DiskRefusal(chosen, {}), L"设备(HD1)上有本程序，禁止对其进行操作！");
  fake.modulePath = L"E:\\Rigmate.exe";
  EXPECT_EQ(DiskRefusal(chosen, {kTool, L"H:\\Rigmate.FBA"}), L"设备(HD1)上有制作工具或存档，禁止对其进行操作！");
  EXPECT_EQ(DiskRefusal(chosen, {}, {L"D:\\img\\WINXP.GHO", L"H:\\GHO\\WIN764.GHO"}),
            L"要拷贝到启动盘的H:\\GHO\\WIN764.GHO就在设备(HD1)上，格式化会把它清除！请先把它移到别的磁盘。");
}

TEST_F(BootDiskTest, ImagesOnTheChosenStickAreRefusedBeforeTheFormat) {
  fake.AddFile(L"H:\\WIN764.GHO", "img");
  request.config.m_nSystemMask = 4;
  request.config.m_strSystemPath[2] = L"H:\\WIN764.GHO";
  EXPECT_EQ(Make(), BootDiskCode::DiskChanged);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_EQ(fake.Contents(L"H:\\WIN764.GHO"), "img");
}

TEST_F(BootDiskTest, QuestionsNameTheDiskAndDefaultToNo) {
  EXPECT_FALSE(Confirm(MakeQuestion(Chosen(1))));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text,
            L"你确定要对设备(HD1) 1.00GB (H: )制作启动盘么？这将会清空您磁盘上的所有数据，制作前请先自行备份数据！");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  fake.AddDisk(2, 0, {}, 2ll << 40);
  EXPECT_EQ(MakeQuestion(Chosen(2)).rfind(L"注意：设备(HD2)是电脑内部的固定磁盘，不是U盘或存储卡！\n\n你确定要对设备(HD2)", 0), 0u);
  fake.disks[2].storage = StorageFacts{false, 7, L"WD-01"};   // a USB backup disk
  EXPECT_EQ(MakeQuestion(Chosen(2)).rfind(L"注意：设备(HD2)有2048.00GB，比U盘大得多，可能是移动硬盘，不是U盘或存储卡！\n\n你确定要对设备(HD2)", 0), 0u);
  EXPECT_EQ(RestoreQuestion(L"(HD2) 7.50GB (H: ) 未知"),
            L"你确定要对设备(HD2) 7.50GB (H: ) 未知恢复么？这将会清空您磁盘上的所有数据，恢复前请先自行备份数据！");
}

TEST_F(BootDiskTest, SizeBoxIsReadAsAWholeNumber) {
  EXPECT_EQ(ReadPartitionSize(L"500"), 500);
  EXPECT_EQ(ReadPartitionSize(L""), 0);
  EXPECT_EQ(ReadPartitionSize(L"  12abc"), 12);
  EXPECT_EQ(ReadPartitionSize(L"99999999999999"), 2147483647);
}

TEST_F(BootDiskTest, CommandLinesStartWithTheQuotedToolPathAndCountSectors) {
  EXPECT_EQ(MakeCommandLine(kTool, 1, 500, kArchive, true),
            L"\"E:\\Rigmate\\DATA\\FbinstPlus.exe\" (hd1) format -f -e 1024000 --archive \"E:\\Rigmate\\DATA\\Rigmate.FBA\"");
  EXPECT_EQ(MakeCommandLine(L"C:\\My Tools\\FbinstPlus.exe", 2, 1, L"a b.fba", false),
            L"\"C:\\My Tools\\FbinstPlus.exe\" (hd2) format -e 2048 --archive \"a b.fba\"");
  EXPECT_EQ(MakeCommandLine(kTool, 1, 2000000, kArchive, true),
            L"\"E:\\Rigmate\\DATA\\FbinstPlus.exe\" (hd1) format -f -e 4096000000 --archive \"E:\\Rigmate\\DATA\\Rigmate.FBA\"");
  EXPECT_EQ(RestoreCommandLine(kTool, 3, true), L"\"E:\\Rigmate\\DATA\\FbinstPlus.exe\" (hd3) format -f -r");
  EXPECT_EQ(RestoreCommandLine(kTool, 3, false), L"\"E:\\Rigmate\\DATA\\FbinstPlus.exe\" (hd3) format -r");
}

TEST_F(BootDiskTest, MakeWithNothingToCopyFormatsAndFinishes) {
  EXPECT_EQ(Make(), BootDiskCode::Done);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, kTool);
  EXPECT_EQ(fake.starts[0].commandLine, MakeCommandLine(kTool, 1, 500, kArchive, true));
  EXPECT_TRUE(fake.starts[0].wait);
  EXPECT_FALSE(fake.starts[0].show);
  EXPECT_EQ(progress.log, (std::vector<std::wstring>{L"正在格式化磁盘，请稍等...", L"@10", L"@100", L"制作完成！"}));
  EXPECT_TRUE(fake.messages.empty());
  fake.SetRunsFor(L"FbinstPlus", 1200);          // a format of a second and more shows its time
  EXPECT_EQ(Make(), BootDiskCode::Done);
  EXPECT_NE(std::find(progress.log.begin(), progress.log.end(), L"正在格式化磁盘，请稍等...(已等待1秒)"), progress.log.end());
}

TEST_F(BootDiskTest, MissingToolArchiveOrChosenDiskOrFailedFormatEndsWithOne) {
  request.config.m_strArchivePath = L"E:\\gone.FBA";
  EXPECT_EQ(Make(), BootDiskCode::ArchiveMissing);
  EXPECT_EQ(last.text, L"找不到制作启动盘必要的数据！\nE:\\gone.FBA");
  request.config.m_strFbinstPath.clear();
  EXPECT_EQ(Make(), BootDiskCode::ToolMissing);
  EXPECT_EQ(last.text, L"找不到制作工具FbinstPlus！\nE:\\Rigmate\\DATA\\FbinstPlus.exe");   // none chosen

  request.config.m_strFbinstPath = kTool;
  request.config.m_strArchivePath = kArchive;
  fake.disks[1].length = 8ll << 30;                        // swapped after the choice
  EXPECT_EQ(Make(), BootDiskCode::DiskChanged);
  EXPECT_EQ(progress.last, L"设备(HD1)已经改变或被拔出，请重新选择设备！");
  EXPECT_EQ(last.text, progress.last);
  EXPECT_TRUE(fake.starts.empty());

  fake.disks[1].length = 1ll << 30;
  request.config.m_nCopyFlags = kCopyData;
  fake.SetExitCode(L"FbinstPlus", 3);
  EXPECT_EQ(Make(), BootDiskCode::FormatFailed);
  EXPECT_EQ(progress.last, L"格式化出错！");
  EXPECT_FALSE(fake.Exists(L"H:\\Rigmate"));
}

TEST_F(BootDiskTest, MakeCopiesOntoTheVolumeTheFormatCreated) {
  fake.AddFile(L"E:\\Rigmate\\COURSE\\a.mp4", "v");
  fake.AddFile(L"E:\\Rigmate\\DATA\\menu.lst", "m");
  fake.AddFile(L"D:\\img\\WINXP.GHO", "xp");
  FormatGivesNewVolume();
  request.config.m_nCopyFlags = kCopyVideo | kCopyData;
  request.config.m_nSystemMask = 1;
  request.config.m_strSystemPath[0] = L"D:\\img\\WINXP.GHO";
  EXPECT_EQ(Make(), BootDiskCode::Done);

  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\COURSE\\a.mp4"), "v");
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\DATA\\menu.lst"), "m");
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\GHO\\WINXP.GHO"), "xp");
  EXPECT_FALSE(fake.Exists(L"H:\\Rigmate"));
  EXPECT_EQ(progress.log,
            (std::vector<std::wstring>{L"正在格式化磁盘，请稍等...", L"@10", L"正在等待启动盘的新分区...", L"@20",
                                       L"拷贝视频文件...", L"@52", L"@52", L"导入启动盘数据...", L"@84", L"@84",
                                       L"正在拷贝D:\\img\\WINXP.GHO", L"@92", L"@100", L"@100", L"制作完成！"}));
}

TEST_F(BootDiskTest, WithoutANewVolumeTheMakeWaitsABoundedTimeAndCopiesNothing) {
  fake.AddFile(L"E:\\Rigmate\\DATA\\menu.lst", "m");
  // The old volume stays mounted under its letter: it is no new volume.
  fake.onStart = [](const FakeSeam::ProcessStart&) { return 0; };
  request.config.m_nCopyFlags = kCopyData;
  EXPECT_EQ(Make(), BootDiskCode::NoNewVolume);
  EXPECT_EQ(progress.last, L"找不到启动盘的新分区，没有拷贝任何数据！");
  EXPECT_EQ(std::count(progress.log.begin(), progress.log.end(), L"wait 500"), kNewVolumeWaitMs / kNewVolumeStepMs);
  EXPECT_FALSE(fake.Exists(L"H:\\Rigmate"));

  // The same stick made again at its size: its volume keeps its name, with a new file system.
  fake.onStart = [this](const FakeSeam::ProcessStart&) { ++fake.volumes[L'H'].serial; return 0; };
  fake.volumes[L'H'].freeBytes = 1ull << 30;
  EXPECT_EQ(Make(), BootDiskCode::Done);
  EXPECT_EQ(fake.Contents(L"H:\\Rigmate\\DATA\\menu.lst"), "m");
}

TEST_F(BootDiskTest, RoomIsCountedInWholeClustersBeforeAndAfterTheFormat) {
  for (int i = 0; i < 40; ++i) fake.AddFile(L"E:\\Rigmate\\DATA\\f" + std::to_wstring(i), "x");
  request.config.m_nCopyFlags = kCopyData;
  const uint64_t need = 41 * 32768ull;                     // 40 files of a byte and their folder
  // Size in MB (1023: 1 MB left; 2000: larger than the disk), free bytes after the format, result.
  using Code = BootDiskCode;
  for (auto row : {std::tuple<int, uint64_t, Code>{1023, need, Code::NoRoom}, {2000, need, Code::NoRoom},
                   {500, need - 1, Code::NoRoomOnVolume}, {500, need, Code::Done}}) {
    FormatGivesNewVolume(std::get<1>(row));
    request.sizeMb = std::get<0>(row);
    request.disk = Chosen(1);
    EXPECT_EQ(Make(), std::get<2>(row)) << std::get<0>(row) << " " << std::get<1>(row);
  }
  EXPECT_EQ(fake.starts.size(), 2u);
}

TEST_F(BootDiskTest, ASourceGrowingDuringItsCopyKeepsTheBarWithinItsStep) {
  fake.AddFile(L"D:\\WINXP.GHO", std::string(100, 'x'));
  fake.AddFile(L"D:\\WIN732.GHO", "y");
  fake.midCopy = [this](const std::wstring&) { fake.AddFile(L"D:\\WINXP.GHO", std::string(1000, 'x')); };
  FormatGivesNewVolume();
  request.config.m_nSystemMask = 1 | 2;
  request.config.m_strSystemPath = {L"D:\\WINXP.GHO", L"D:\\WIN732.GHO"};
  EXPECT_EQ(Make(), BootDiskCode::Done);
  auto next = std::find(progress.log.begin(), progress.log.end(), L"正在拷贝D:\\WIN732.GHO") - 1;   // its start
  EXPECT_EQ(std::count_if(progress.log.begin(), next, [&](const std::wstring& e) {
              return e[0] == L'@' && std::stoi(e.substr(1)) > std::stoi(next->substr(1)); }), 0);
}

TEST_F(BootDiskTest, AFailedCopyLeavesItsTextAndStopsTheMake) {
  fake.AddFile(L"E:\\Rigmate\\TOOL\\x.exe");
  fake.AddFile(L"E:\\Rigmate\\DRIVER_GENUS\\d.exe");
  fake.AddFile(L"D:\\WIN732.GHO");
  FormatGivesNewVolume();
  fake.Fail(FakeSeam::Op::CopyOneFile, L"E:\\Rigmate\\DRIVER_GENUS\\d.exe");
  fake.failedCopiesLeaveHalf = true;
  fake.lastError = 112;
  fake.errorTexts = {{112, L"系统错误 112。"}, {1167, L"系统错误 1167。"}};
  request.config.m_nCopyFlags = kCopyTools | kCopyDriver;
  request.config.m_nSystemMask = 2;
  request.config.m_strSystemPath[1] = L"D:\\WIN732.GHO";
  EXPECT_EQ(Make(), BootDiskCode::CopyFailed);
  EXPECT_EQ(progress.last, L"拷贝驱动精灵失败！");
  EXPECT_EQ(last.text, L"拷贝驱动精灵失败！\nE:\\Rigmate\\DRIVER_GENUS\\d.exe\n系统错误 112。(错误代码：112)");
  EXPECT_FALSE(fake.Exists(L"J:\\Rigmate\\GHO"));
  EXPECT_EQ(fake.Tree(L"J:\\Rigmate\\DRIVER_GENUS"), std::vector<std::wstring>{});   // nothing half written

  // The stick is pulled out halfway through the image.
  fake.ClearFailures();
  fake.midCopy = [this](const std::wstring&) { fake.RemoveVolume(L"J:"); fake.lastError = 1167; };
  request.config.m_nCopyFlags = 0;
  request.disk = Chosen(1);
  EXPECT_EQ(Make(), BootDiskCode::CopyFailed);
  EXPECT_EQ(progress.last, L"拷贝D:\\WIN732.GHO失败，请检查磁盘容量！");
  EXPECT_EQ(last.text, progress.last + L"\nD:\\WIN732.GHO\n系统错误 1167。(错误代码：1167)");
}

TEST_F(BootDiskTest, CopiesKeepEmptyFoldersLeaveLinksOutAndMoveByBytes) {
  fake.AddFile(L"E:\\Rigmate\\COURSE\\a.mp4", std::string(300, 'a'));
  fake.AddFile(L"E:\\Rigmate\\COURSE\\b.mp4", std::string(100, 'b'));
  fake.AddFolder(L"E:\\Rigmate\\COURSE\\empty");
  fake.AddFile(L"E:\\Rigmate\\COURSE\\junction\\loop.mp4", "x");
  fake.SetAttributes(L"E:\\Rigmate\\COURSE\\junction", 0x410);   // a junction
  fake.AddFile(L"E:\\Rigmate\\DATA\\menu.lst", "m");
  const std::wstring deep = L"DATA\\" + std::wstring(130, L'd') + L"\\" + std::wstring(130, L'e') + L"\\c.mp4";
  fake.AddFile(L"E:\\Rigmate\\" + deep);               // beyond 260 characters, which plain paths cannot
  fake.pathLimit = 260;
  FormatGivesNewVolume();
  request.config.m_nCopyFlags = kCopyVideo | kCopyData;
  EXPECT_EQ(Make(), BootDiskCode::Done);
  EXPECT_EQ(last.text, L"制作完成！这些链接或目录联接没有拷贝（程序不跟随链接）：\nE:\\Rigmate\\COURSE\\junction");
  EXPECT_TRUE(fake.Exists(L"J:\\Rigmate\\" + deep));
  EXPECT_TRUE(fake.IsFolder(L"J:\\Rigmate\\COURSE\\empty"));
  EXPECT_FALSE(fake.Exists(L"J:\\Rigmate\\COURSE\\junction"));
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\COURSE\\b.mp4"), std::string(100, 'b'));
  std::vector<std::wstring> positions;
  for (const std::wstring& entry : progress.log)
    if (entry[0] == L'@') positions.push_back(entry);
  // The bar is shared by bytes on the disk: 4 clusters of the videos, 4 of the data.
  EXPECT_EQ(positions, (std::vector<std::wstring>{L"@10", L"@20", L"@35", L"@50", L"@55", L"@60", L"@60", L"@100", L"@100"}));
}

TEST_F(BootDiskTest, WhatCannotBeCopiedStopsTheMakeBeforeTheFormat) {
  fake.AddFile(L"D:\\WIN10.GHO");
  fake.SetFileSize(L"D:\\WIN10.GHO", 600ull << 20);      // more than 1 GB less 500 MB
  fake.AddFile(L"D:\\DVD.ISO");
  fake.SetFileSize(L"D:\\DVD.ISO", 4700ull << 20);
  const struct { unsigned folders; const wchar_t* image; BootDiskCode code; const wchar_t* status; } rows[] = {
      {kCopyTools, nullptr, BootDiskCode::FolderMissing, L"找不到文件夹E:\\Rigmate\\TOOL，没有格式化磁盘！"},
      {0, L"", BootDiskCode::ImageMissing, L"找不到要拷贝的WIN1064.GHO，没有格式化磁盘！"},   // never found
      {0, L"D:\\gone.GHO", BootDiskCode::ImageMissing, L"找不到要拷贝的D:\\gone.GHO，没有格式化磁盘！"},
      {0, L"D:\\DVD.ISO", BootDiskCode::FileTooLarge, L"D:\\DVD.ISO有4 GB或更大，启动盘的FAT32分区放不下它，没有格式化磁盘！"},
      {0, L"D:\\WIN10.GHO", BootDiskCode::NoRoom, L"启动盘的空间不够：要拷贝的文件共0.59 GB，设备(HD1)上只有0.51 GB可用！"}};
  for (const auto& row : rows) {
    request.config.m_nCopyFlags = row.folders;
    request.config.m_nSystemMask = row.image ? 64 : 0;
    request.config.m_strSystemPath[6] = row.image ? row.image : L"";
    EXPECT_EQ(boot_disk::PlanRefusal(request), row.status);   // what the page tells before its question
    EXPECT_EQ(Make(), row.code) << row.status;
    EXPECT_EQ(progress.last, row.status);
  }
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(BootDiskTest, TheUserStopsTheCopyBetweenFiles) {
  fake.AddFile(L"E:\\Rigmate\\COURSE\\a.mp4", "a");
  fake.AddFile(L"E:\\Rigmate\\DATA\\menu.lst", "m");
  FormatGivesNewVolume();
  request.config.m_nCopyFlags = kCopyVideo | kCopyData;
  progress.stopAt = L"拷贝视频文件...";
  EXPECT_EQ(Make(), BootDiskCode::Stopped);
  EXPECT_EQ(progress.last, L"已停止拷贝，启动盘上的数据不完整！");
  EXPECT_FALSE(fake.Exists(L"J:\\Rigmate\\COURSE\\a.mp4"));

  // Asked during a large image: it names the image, which is copied whole, then it stops.
  fake.AddFile(L"D:\\WIN10.GHO", "big");
  fake.SetFileSize(L"D:\\WIN10.GHO", 100ull << 20);
  fake.AddFile(L"D:\\WINXP.GHO", "xp");
  request.config.m_nCopyFlags = 0;
  request.config.m_nSystemMask = 1 | 2;
  request.config.m_strSystemPath = {L"D:\\WIN10.GHO", L"D:\\WINXP.GHO"};
  request.disk = Chosen(1);
  progress.stopAt = L"note D:\\WIN10.GHO";
  progress.log.clear();
  EXPECT_EQ(Make(), BootDiskCode::Stopped);
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\GHO\\WIN10.GHO"), "big");
  EXPECT_FALSE(fake.Exists(L"J:\\Rigmate\\GHO\\WINXP.GHO"));
}

TEST_F(BootDiskTest, RestoreChecksTheDiskAgainAndReportsItsOutcome) {
  RestoreRequest restore{kTool, Chosen(1), false};
  fake.SetExitCode(L"FbinstPlus", 5);
  EXPECT_EQ(RestoreBootDisk(restore, progress).code, BootDiskCode::RestoreFailed);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, kTool);
  EXPECT_EQ(fake.starts[0].commandLine, L"\"E:\\Rigmate\\DATA\\FbinstPlus.exe\" (hd1) format -r");
  EXPECT_EQ(progress.last, L"恢复启动盘出错！(错误代码：5)");

  fake.SetExitCode(L"FbinstPlus", 0);
  EXPECT_EQ(RestoreBootDisk(restore, progress).code, BootDiskCode::Done);
  EXPECT_EQ(progress.last, L"恢复启动盘完成！");

  fake.disks[1].storage = StorageFacts{false, 11, L""};
  EXPECT_EQ(RestoreBootDisk(restore, progress).code, BootDiskCode::DiskChanged);
  EXPECT_EQ(progress.last, L"设备(HD1)已经改变或被拔出，请重新选择设备！");
  EXPECT_EQ(fake.starts.size(), 2u);
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

TEST_F(BootDiskTest, TestBootStartsQemuOfTheDataFolderOnTheChosenDiskReadOnly) {
  std::vector<DeviceChoice> choices = ReadDeviceChoices();
  const DeviceChoice& stick = choices[1];
  EXPECT_FALSE(TestBootDisk(stick.entry, &stick));          // no QEMU yet: where to put it
  EXPECT_EQ(MessageTexts().back(), kNoQemu);
  fake.AddFile(L"E:\\Rigmate\\DATA\\QEMU\\qemu-system-i386.exe");
  EXPECT_FALSE(TestBootDisk(choices[0].entry, &choices[0]));
  EXPECT_EQ(MessageTexts().back(), L"为了保护用户磁盘，禁止对设备(HD0)进行操作！");
  EXPECT_FALSE(TestBootDisk(kNoDevice, nullptr));
  EXPECT_EQ(MessageTexts().back(), L"请选择一个磁盘！");
  EXPECT_TRUE(fake.starts.empty());

  EXPECT_TRUE(TestBootDisk(stick.entry, &stick));
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"E:\\Rigmate\\DATA\\QEMU\\qemu-system-i386.exe");
  EXPECT_EQ(fake.starts[0].commandLine,
            L"\"E:\\Rigmate\\DATA\\QEMU\\qemu-system-i386.exe\" -m 1024 "
            L"-drive file=\\\\.\\PhysicalDrive1,format=raw,media=disk,snapshot=on -boot c");
  EXPECT_FALSE(fake.starts[0].wait);
  EXPECT_EQ(fake.messages.size(), 3u);
  fake.AddFile(L"E:\\Rigmate\\DATA\\QEMU\\qemu-system-x86_64.exe");   // boots 64-bit systems too
  EXPECT_EQ(FindQemu(), L"E:\\Rigmate\\DATA\\QEMU\\qemu-system-x86_64.exe");
}

}  // namespace
