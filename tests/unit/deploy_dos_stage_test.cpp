// The DOS stage on a fake desktop: every refusal with what it leaves untouched, the
// Ghost batch line, the image move, the files written, the boot entry and the restart
// prompt.
#include <gtest/gtest.h>

#include "deploy/dos_stage.h"
#include "platform/machine_change.h"
#include "platform/pe_flag.h"
#include "tests/unit/deploy_machine.h"

using namespace deploy_test;

namespace {

const wchar_t kRestoreLine[] =
    L"ghost.exe -noide -nousb -clone,mode=pload,src=1:2\\Rigmate\\GHO\\WIN764.GHO:1,dst=1:1 -crcignore -sure -rb";
const wchar_t kBackupLine[] =
    L"ghost.exe -noide -nousb -clone,mode=pdump,src=1:1,dst=1:2\\RigmateBackup.GHO -z3 -crcignore -sure -rb";

// The stage's outcomes under the short names of the rows below.
namespace ghost_result {
constexpr GhostCode Done = GhostCode::Staged, Failed = GhostCode::BootEntryFailed, Declined = GhostCode::Declined,
                    StagingFailed = GhostCode::StagingFailed, Refused = GhostCode::StagingRefused;
}  // namespace ghost_result

}  // namespace

static bool operator==(const GhostOutcome& outcome, GhostCode code) { return outcome.code == code; }

class DosStage : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpDesktop(fake);
    fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO", "restore image");
    fake.now = LocalTime{2016, 3, 7, 14, 5, 9};
  }

  GhostJob Restore(const std::wstring& image = L"D:\\Rigmate\\GHO\\WIN764.GHO") {
    return GhostJob{image, L"C:", 0, 1};
  }
  GhostJob Backup(const std::wstring& image = L"D:\\RigmateBackup.GHO") { return GhostJob{image, L"C:", 3, 0}; }

  // A refusal: its reason in the outcome, nothing asked, written or copied, no program
  // started.
  void ExpectRefused(const GhostOutcome& result, GhostCode expected, const std::wstring& message) {
    EXPECT_EQ(result.code, expected);
    EXPECT_EQ(result.text, message);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(Changed(fake).empty());
    EXPECT_TRUE(fake.starts.empty());
  }

  // The four files of a staging and the BCD entry of the system drive C:.
  void ExpectStaged(const std::wstring& line) {
    EXPECT_EQ(fake.Contents(L"C:\\kxdos.ima"), kImageBytes);
    EXPECT_EQ(fake.Contents(L"C:\\kxldr"), kLoaderBytes);
    EXPECT_EQ(fake.Contents(L"C:\\kxldr.mbr"), kLoaderMbrBytes);
    for (const wchar_t* name : {L"C:\\kxdos.ima", L"C:\\kxldr", L"C:\\kxldr.mbr"})
      EXPECT_EQ(fake.Attributes(name), 0x27u) << name;
    EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"), fake.WideToAnsi(line));
    EXPECT_EQ(fake.Attributes(L"C:\\ghost.ba_") & (fattr::ReadOnly | fattr::Hidden | fattr::System), 0u);
    std::vector<std::wstring> commands;
    for (const auto& start : fake.starts)
      if (start.Program() == L"bcdedit.exe") commands.push_back(start.commandLine);
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands.front(), L"bcdedit.exe /export \"C:\\boot\\BCDKX\"");
    EXPECT_EQ(commands.back(), L"bcdedit.exe /bootsequence {12345678-9ABC-def0-0123-456789ABCDEF} ");
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST(DosStagePieces, StampHasNoLeadingZeros) {
  EXPECT_EQ(TransferStamp(LocalTime{2016, 3, 7, 14, 5, 9}), L"2016371459");
  EXPECT_EQ(TransferStamp(LocalTime{2024, 12, 31, 23, 59, 0}), L"2024123123590");
}

TEST(DosStagePieces, PathsThatTheUnquotedDosLineCanCarry) {
  EXPECT_TRUE(DosCanTakePath(L"\\Rigmate\\GHO\\WIN764.GHO"));
  EXPECT_TRUE(DosCanTakePath(L"\\Backups\\2016-03_07(1)~.GHO"));
  EXPECT_FALSE(DosCanTakePath(L"\\My Images\\WIN7.GHO"));
  EXPECT_FALSE(DosCanTakePath(L"\\系统\\WIN7.GHO"));
  EXPECT_FALSE(DosCanTakePath(L"\\100%\\WIN7.GHO"));
  EXPECT_FALSE(DosCanTakePath(L"\\a,b\\WIN7.GHO"));
  EXPECT_FALSE(DosCanTakePath(L"\\tab\there.GHO"));
  EXPECT_FALSE(DosCanTakePath(std::wstring(L"\\caf\u00e9.GHO")));
}

TEST_F(DosStage, GhostNumbersAndTheTransferDrive) {
  EXPECT_EQ(GetGhostNumber(L"C:", 0), L"1:1");
  EXPECT_EQ(GetGhostNumber(L"F:", 0), L"2:1");
  EXPECT_EQ(GetGhostNumber(L"C:", 1), L"2:1");   // the BIOS starts from Windows' disk 1
  EXPECT_EQ(GetGhostNumber(L"F:", 1), L"1:1");
  EXPECT_EQ(GetGhostNumber(L"G:", 0), L"");
  EXPECT_EQ(FindTransferDrive(StorageDeviceNumber{7, 0, 1}), L"E:");
  EXPECT_EQ(FindTransferDrive(StorageDeviceNumber{7, 0, 3}), L"D:");
  EXPECT_EQ(FindTransferDrive(StorageDeviceNumber{7, 1, 1}), L"");
  // A CD drive on the same device number is not a disk volume.
  fake.SetDrives(L"CDEFG");
  fake.volumes[L'G'] = DiskVolume(0, 4);
  fake.volumes[L'G'].number.deviceType = 2;
  EXPECT_EQ(FindTransferDrive(StorageDeviceNumber{7, 0, 1}), L"E:");
}

TEST_F(DosStage, RestoreFromAnotherPartitionOfTheTargetsDisk) {
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_TRUE(fake.messages.empty());
  ExpectStaged(kRestoreLine);
  EXPECT_EQ(fake.starts.size(), 5u);
  for (const auto& op : fake.fileOps) EXPECT_NE(op.op, FakeSeam::Op::ShellCopy);
}

TEST_F(DosStage, BackupLineCarriesTheCompression) {
  EXPECT_EQ(StageGhostJob(Backup()), ghost_result::Done);
  ExpectStaged(kBackupLine);
}

TEST_F(DosStage, RestoreFromTheTargetItselfMovesTheImageToTheHighestOtherVolume) {
  fake.AddFile(L"C:\\WIN7.GHO", "image on the target");
  EXPECT_EQ(StageGhostJob(Restore(L"C:\\WIN7.GHO")), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"E:\\2016371459.GHO"), "image on the target");
  EXPECT_TRUE(fake.Exists(L"C:\\WIN7.GHO"));
  ExpectStaged(L"ghost.exe -noide -nousb -clone,mode=pload,src=1:3\\2016371459.GHO:1,dst=1:1 -crcignore -sure -rb");
}

TEST_F(DosStage, RestoreFromAnotherDiskMovesTheImageOnTheTargetsDisk) {
  fake.AddFile(L"F:\\系统 镜像\\WIN7.GHO", "image on disk 1");   // a name DOS could not take
  EXPECT_EQ(StageGhostJob(Restore(L"F:\\系统 镜像\\WIN7.GHO")), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"E:\\2016371459.GHO"), "image on disk 1");
  ExpectStaged(L"ghost.exe -noide -nousb -clone,mode=pload,src=1:3\\2016371459.GHO:1,dst=1:1 -crcignore -sure -rb");
}

TEST_F(DosStage, RestoreWithNowhereToMoveTheImage) {
  fake.SetDrives(L"CF");
  fake.AddFile(L"F:\\WIN7.GHO", "image on disk 1");
  ExpectRefused(StageGhostJob(Restore(L"F:\\WIN7.GHO")), ghost_result::StagingFailed,
                L"GHO文件和安装的分区不在同一个硬盘上，且找不到适合转移的分区！");
}

TEST_F(DosStage, AFailedMoveStopsTheStaging) {
  fake.AddFile(L"F:\\WIN7.GHO", "image on disk 1");
  fake.Fail(FakeSeam::Op::ShellCopy, L"F:\\WIN7.GHO");
  EXPECT_EQ(StageGhostJob(Restore(L"F:\\WIN7.GHO")).text, L"转移文件失败，安装终止！");
  EXPECT_TRUE(Changed(fake).empty());
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(DosStage, BackupMustLieOnTheTargetsDiskButNotOnTheTarget) {
  ExpectRefused(StageGhostJob(Backup(L"C:\\Backup.GHO")), ghost_result::StagingFailed,
                L"需要备份的分区和保存的GHO文件需要在同一个物理磁盘！");
  fake.messages.clear();
  ExpectRefused(StageGhostJob(Backup(L"F:\\Backup.GHO")), ghost_result::StagingFailed,
                L"需要备份的分区和保存的GHO文件需要在同一个物理磁盘！");
}

// The partition is named, with the system's reason; a code of 0 adds no "success" text.
TEST_F(DosStage, PartitionStyleUnreadable) {
  fake.volumes[L'C'].partitionStyle = -1;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::StagingFailed, L"获取分区类型失败！\nC:盘的分区信息读不出来");
  fake.messages.clear();
  fake.volumes[L'C'].partitionStyle = 0;
  fake.volumes[L'E'].partitionStyle = -1;
  fake.systemDirectory = L"E:\\Windows\\system32";
  fake.lastError = 5;
  fake.errorTexts[5] = L"拒绝访问。";
  ExpectRefused(StageGhostJob(Restore()), ghost_result::StagingFailed,
                L"获取分区类型失败！\nE:盘的分区信息读不出来\n拒绝访问。");
}

TEST_F(DosStage, GptOnTheSystemDriveOrTheTargetIsRefused) {
  const std::wstring message = L"不支持在桌面条件下对GPT分区进行安装，请在PE中进行安装！";
  fake.volumes[L'C'].partitionStyle = 1;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::Refused, message);
  fake.messages.clear();
  fake.volumes[L'C'].partitionStyle = 0;
  fake.systemDirectory = L"E:\\Windows\\system32";
  fake.volumes[L'E'].partitionStyle = 1;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::Refused, message);
  fake.messages.clear();
  fake.systemDirectory = L"C:\\Windows\\system32";   // only the target is GPT
  ExpectRefused(StageGhostJob(GhostJob{L"D:\\Rigmate\\GHO\\WIN764.GHO", L"E:", 0, 1}), ghost_result::Refused, message);
}

TEST_F(DosStage, UefiStartIsRefusedLikeGpt) {
  fake.firmwareUefi = true;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::Refused,
                L"不支持在桌面条件下对UEFI启动的电脑进行安装，请在PE中进行安装！");
}

TEST_F(DosStage, IncompletePayloadIsRefusedBeforeAnything) {
  fake.AddResource(IDR_PAYLOAD_MARK, L"FILE", "incomplete");
  fake.volumes[L'C'].partitionStyle = 1;   // the first refusal is the payload's
  ExpectRefused(StageGhostJob(Restore()), ghost_result::StagingFailed,
                L"本软件缺少DOS安装所需的组件，无法在桌面条件下进行安装，请在PE中进行安装！");
}

TEST_F(DosStage, TwoDisksGoOnAndThreeAskWhenTheJobLeavesTheStartingDisk) {
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_TRUE(fake.messages.empty());

  FakeSeam three;
  SetUpDesktop(three);
  three.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO", "restore image");
  three.disks[2] = FakeSeam::Disk{};
  ScopedSeam useThree(&three);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);   // the starting disk is disk 1 in any order
  EXPECT_TRUE(three.messages.empty());
  ASSERT_TRUE(UndoStaging());
  three.fileOps.clear();
  three.starts.clear();
  three.SetDrives(L"CDEFG");
  three.volumes[L'G'] = DiskVolume(1, 2);
  const GhostJob onDiskOne{L"G:\\WIN7.GHO", L"F:", 0, 1};
  three.AddFile(onDiskOne.imagePath, "image on disk 1");
  const std::wstring question =
      L"检测到您的电脑疑似有多个硬盘，在多硬盘条件下Windows与DOS对硬盘的排序可能有差异，建议您在PE中进行安装！"
      L"是否继续进行？";
  three.QueueAnswer(mbox::IdNo);
  EXPECT_EQ(StageGhostJob(onDiskOne), ghost_result::Declined);
  ASSERT_EQ(three.messages.size(), 1u);
  EXPECT_EQ(three.messages[0].text, question);
  EXPECT_EQ(three.messages[0].style, 0x104u);
  EXPECT_TRUE(Changed(three).empty());
  EXPECT_TRUE(three.starts.empty());

  three.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(onDiskOne), ghost_result::Done);
  EXPECT_EQ(three.Contents(L"C:\\ghost.ba_"),
            "ghost.exe -noide -nousb -clone,mode=pload,src=2:2\\WIN7.GHO:1,dst=2:1 -crcignore -sure -rb");
}

TEST_F(DosStage, DeviceNumberUnreadable) {
  fake.volumes[L'D'].open = VolumeOpen::QueryFailed;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::StagingFailed, L"获取分区编号信息失败！");
  fake.messages.clear();
  fake.volumes[L'D'].open = VolumeOpen::Ok;
  fake.volumes[L'C'].open = VolumeOpen::QueryFailed;
  ExpectRefused(StageGhostJob(Restore()), ghost_result::StagingFailed, L"获取分区编号信息失败！");
}

TEST_F(DosStage, ImagePathsThatDosCannotTakeAreRefusedBeforeAnyMoveOrWrite) {
  const std::wstring unusable = L"GHO文件的路径含有空格、中文或DOS无法识别的字符，请更改路径或在PE中进行安装！";
  ExpectRefused(StageGhostJob(Backup(L"D:\\系统 镜像\\WIN7.GHO")), ghost_result::StagingFailed, unusable);
  // The longest path that fits DOS's 512-byte line, and one character more.
  const std::wstring head = L"D:\\";
  const size_t fixed = std::wstring(kBackupLine).size() - std::wstring(L"RigmateBackup.GHO").size();
  const std::wstring fits = head + std::wstring(kDosLineLimit - fixed - 4, L'a') + L".GHO";
  fake.messages.clear();
  EXPECT_EQ(StageGhostJob(Backup(fits)), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_").size(), kDosLineLimit);

  fake.messages.clear();
  fake.fileOps.clear();
  fake.starts.clear();
  ExpectRefused(StageGhostJob(Backup(head + L"a" + fits.substr(3))), ghost_result::StagingFailed,
                L"GHO文件的路径过长，DOS无法识别，请更改路径或在PE中进行安装！");
}

TEST_F(DosStage, AFileThatCannotBeWrittenEndsTheStagingBeforeTheBootEntry) {
  for (const wchar_t* name : {L"C:\\kxdos.ima", L"C:\\kxldr", L"C:\\kxldr.mbr", L"C:\\ghost.ba_"}) {
    SCOPED_TRACE(name);
    FakeSeam machine;
    SetUpDesktop(machine);
    machine.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO", "restore image");
    machine.Fail(FakeSeam::Op::WriteNewFile, name);
    ScopedSeam useMachine(&machine);
    EXPECT_EQ(StageGhostJob(Restore()).text, L"写入DOS启动文件失败，安装终止！");
    for (const auto& start : machine.starts) EXPECT_EQ(start.Program(), L"attrib.exe");
    for (const wchar_t* staged : {L"C:\\kxdos.ima", L"C:\\kxldr", L"C:\\kxldr.mbr", L"C:\\ghost.ba_"})
      EXPECT_FALSE(machine.Exists(staged)) << "left behind: " << testing::PrintToString(std::wstring(staged));
  }
}

TEST_F(DosStage, PayloadThatDoesNotLookBootableIsRefused) {
  const std::wstring refusal = L"本软件缺少DOS安装所需的组件，无法在桌面条件下进行安装，请在PE中进行安装！";
  std::string unsignedFloppy = FloppyBytes(), halfSignedFloppy = FloppyBytes();
  unsignedFloppy[511] = 0;
  halfSignedFloppy[510] = 0;
  const struct {
    int id;
    std::string bytes;
    bool accepted;
  } faults[] = {{IDR_DOS_IMAGE, FloppyBytes(2949120 - 512), false}, {IDR_DOS_IMAGE, unsignedFloppy, false},
                {IDR_DOS_IMAGE, halfSignedFloppy, false},
                {IDR_LOADER, "Placeholder: no DOS-stage loader was supplied at build time.\r\n", false},
                {IDR_LOADER, std::string((1 << 20) + 1, 'G'), false},   // no loader is that big
                {IDR_LOADER, std::string(1 << 20, 'G'), true},
                {IDR_LOADER_MBR, "KXLDR", false}, {IDR_LOADER_MBR, std::string(4000, 'M'), false}};
  for (const auto& fault : faults) {
    FakeSeam machine;
    SetUpDesktop(machine);
    machine.AddResource(fault.id, L"FILE", fault.bytes);
    machine.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO", "restore image");
    ScopedSeam useMachine(&machine);
    if (fault.accepted) {
      EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
      continue;
    }
    EXPECT_EQ(StageGhostJob(Restore()).text, refusal);
    EXPECT_TRUE(Changed(machine).empty());
  }
}

TEST_F(DosStage, AWaitingJobIsReplacedOnlyOnYes) {
  EXPECT_EQ(StageGhostJob(Backup()), ghost_result::Done);
  fake.AddFile(L"C:\\boot\\BCDKX", "export");   // what bcdedit saved
  fake.starts.clear();
  fake.fileOps.clear();
  const std::wstring question = L"系统盘上已有一个等待下次启动时执行的GHOST任务，是否撤销该任务并以本次任务代替？";
  fake.QueueAnswer(mbox::IdNo);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Declined);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, question);
  EXPECT_EQ(fake.messages[0].style, 0x124u) << "No is the default button";
  EXPECT_TRUE(Changed(fake).empty());
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"), fake.WideToAnsi(kBackupLine));

  // Yes puts the saved configuration back first, then stages.
  fake.messages.clear();
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  ASSERT_GE(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine, L"bcdedit.exe /import \"C:\\boot\\BCDKX\"");
  fake.starts.erase(fake.starts.begin());
  ExpectStaged(kRestoreLine);

  // When the saved configuration cannot be put back, the waiting job stays as it was;
  // the entry of a staging of this run is deleted instead.
  fake.AddFile(L"C:\\boot\\BCDKX", "export");
  EmulateAttrib(fake, [](const std::wstring& line) {
    return line.find(L"/import") != std::wstring::npos || line.find(L"/delete") != std::wstring::npos ? 1 : 0;
  });
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Backup()).text,
            L"撤销已有的GHOST任务失败，本次任务没有设置！\n下次启动电脑时仍会执行原来的GHOST任务。");
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"), fake.WideToAnsi(kRestoreLine));
  EXPECT_TRUE(fake.Exists(L"C:\\kxldr.mbr"));
}

TEST_F(DosStage, LeftoversBesideAnUneditedBootIniAreReplacedWithoutACopy) {
  fake.versionMajor = 5;
  const std::string bootIni = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)\\WINDOWS\r\n";
  fake.AddFile(L"C:\\BOOT.INI", bootIni, 0x27);
  for (const wchar_t* name : {L"C:\\kxdos.ima", L"C:\\ghost.ba_"}) fake.AddFile(name, "old", 0x27);
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INIKX"), bootIni);
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"), fake.WideToAnsi(kRestoreLine));
}

// Left by a cut before the export, or after the DOS stage took the export back.
TEST_F(DosStage, LeftoversWithoutASavedStoreAreReplacedWithoutAnImport) {
  for (const wchar_t* name : {L"C:\\kxdos.ima", L"C:\\ghost.ba_"}) fake.AddFile(name, "old", 0x27);
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_EQ(fake.starts.front().commandLine, L"bcdedit.exe /export \"C:\\boot\\BCDKX\"");
  EXPECT_EQ(MessageTexts(fake).size(), 1u) << "only the question";
  // A DOS stage cut after it took the batch leaves the floppy image alone, beside the export.
  fake.RemoveFile(L"C:\\ghost.ba_");
  fake.AddFile(L"C:\\boot\\BCDKX", "export");
  fake.starts.clear();
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_EQ(fake.starts.front().commandLine, L"bcdedit.exe /import \"C:\\boot\\BCDKX\"");
}

// Another PC's stick or disk with a staging that never ran: the loaders and BATCH.BAT
// could take its payload instead of this one. Named, and removed only on Yes.
TEST_F(DosStage, PayloadsLeftOnOtherVolumesAreNamedAndRemovedOnlyOnYes) {
  const std::wstring stick = L"\\\\?\\Volume{stick}";
  fake.namedVolumes[stick] = DiskVolume(2, 2);
  for (const std::wstring& file : {stick + L"\\kxldr", stick + L"\\ghost.ba_", std::wstring(L"F:\\ghost.ba_")})
    fake.AddFile(file, "old", 0x27);
  fake.QueueAnswer(mbox::IdNo);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Declined);
  EXPECT_NE(MessageTexts(fake).at(0).find(L"\n硬盘2的第2个分区（无盘符）：kxldr、ghost.ba_\n是否删除"), std::wstring::npos)
      << "F: holds nothing that starts";
  EXPECT_TRUE(Changed(fake).empty());
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_FALSE(fake.Exists(stick + L"\\kxldr"));
  EXPECT_TRUE(fake.Exists(L"F:\\ghost.ba_"));
}

// The copy of a moved image goes with its job: replaced, taken back, or without its boot entry.
TEST_F(DosStage, AMovedImageGoesWithItsJob) {
  fake.AddFile(L"F:\\WIN7.GHO", "image on disk 1");
  EXPECT_EQ(StageGhostJob(Restore(L"F:\\WIN7.GHO")), ghost_result::Done);
  fake.now.second = 10;
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore(L"F:\\WIN7.GHO")), ghost_result::Done);
  EXPECT_EQ(fake.Tree(L"E:"), std::vector<std::wstring>{L"E:\\20163714510.GHO"});
  fake.QueueAnswer(mbox::IdCancel);
  PromptRestart();
  EXPECT_TRUE(fake.Tree(L"E:").empty());
  EmulateAttrib(fake, [](const std::wstring& line) { return line.find(L"/export") != std::wstring::npos ? 1 : 0; });
  EXPECT_EQ(StageGhostJob(Restore(L"F:\\WIN7.GHO")), ghost_result::Failed);
  EXPECT_TRUE(fake.Tree(L"E:").empty());
  EmulateAttrib(fake);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  fake.AddFile(L"E:\\201637145.GHO", "an earlier run's copy");
  fake.SetRegistryText(L"SOFTWARE\\Rigmate", L"MovedImage", L"E:\\201637145.GHO");   // known to a later run by its record
  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_TRUE(fake.Tree(L"E:").empty());
}

TEST_F(DosStage, AnImageOnAVolumeThatIsNoDiskIsMovedOrRefused) {
  fake.SetDrives(L"CDEFG");
  fake.volumes[L'G'] = DiskVolume(0, 2);
  fake.volumes[L'G'].number.deviceType = 2;   // a DVD that reports device 0
  fake.AddFile(L"G:\\WIN7.GHO", "image on a DVD");
  EXPECT_EQ(StageGhostJob(Restore(L"G:\\WIN7.GHO")), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"E:\\2016371459.GHO"), "image on a DVD");
  fake.messages.clear();
  fake.QueueAnswer(mbox::IdYes);   // replace the job just staged
  EXPECT_EQ(StageGhostJob(Backup(L"G:\\BACKUP.GHO")).text, L"需要备份的分区和保存的GHO文件需要在同一个物理磁盘！");
}

TEST_F(DosStage, ConfigurationsTheDosStageCannotPutBackAreRefused) {
  fake.versionMajor = 5;
  fake.systemDirectory = L"D:\\WINDOWS\\system32";
  ExpectRefused(StageGhostJob(Restore(L"E:\\WIN7.GHO")), ghost_result::Refused,
                L"不支持在桌面条件下对安装在C盘以外的Windows XP进行安装，请在PE中进行安装！");
  fake.versionMajor = 6;
  fake.systemDirectory = L"C:\\Windows\\system32";
  fake.dosDevices[L"C:"] = L"\\Device\\HarddiskVolume2";
  fake.SetRegistryText(L"SYSTEM\\CurrentControlSet\\Control\\hivelist", L"\\REGISTRY\\MACHINE\\BCD00000000",
                       L"\\Device\\HarddiskVolume1\\Boot\\BCD");
  // The store on a partition without a letter: staged there only when it is an MBR
  // partition of the system drive's disk with room for the payload.
  const std::wstring system = L"\\\\?\\Volume{0000-system}";
  const std::wstring elsewhere =
      L"不支持在桌面条件下对启动数据位于其他硬盘、GPT分区或无法识别的分区上的电脑进行安装，请在PE中进行安装！";
  const struct {
    bool known;
    FakeSeam::Volume volume;
    std::wstring message;
  } rows[] = {
      {false, DiskVolume(0, 1), elsewhere},                 // no volume of the store's device
      {true, DiskVolume(1, 1), elsewhere},                  // on another disk
      {true, DiskVolume(0, 1, 1), elsewhere},               // GPT
      {true, DiskVolume(0, 1), L"系统保留分区的剩余空间不足，无法写入DOS启动文件，请在PE中进行安装！"},
      {true, [] { auto roomy = DiskVolume(0, 1); roomy.freeBytes = 70u << 20; return roomy; }(),   // a maker's type
       L"启动数据所在分区的类型（0x27）为隐藏或厂商专用类型，DOS下无法访问，请在PE中进行安装！"},
  };
  for (const auto& row : rows) {
    fake.messages.clear();
    fake.namedVolumes.clear();
    fake.dosDevices.erase(L"\\\\?\\VOLUME{0000-SYSTEM}");
    if (row.known) {
      fake.namedVolumes[system] = row.volume;
      fake.dosDevices[L"\\\\?\\VOLUME{0000-SYSTEM}"] = L"\\Device\\HarddiskVolume1";
    }
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 100 << 20, 0x27)}, 1 << 30);
    ExpectRefused(StageGhostJob(Restore()), ghost_result::Refused, row.message);
  }
  // With room there it is staged there, and an old loader on the system drive goes.
  fake.namedVolumes[system].freeBytes = 64 << 20;
  fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 100 << 20, 0x07)}, 1 << 30);
  fake.AddFile(L"C:\\kxldr", "old", 0x27);
  fake.AddFile(L"C:\\BCDKX.EXP", "export");   // bcdedit's export on Windows' drive
  fake.AddFolder(system + L"\\Boot");
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_EQ(fake.Exists(system + L"\\kxldr"), !fake.Exists(L"C:\\kxldr"));
}

TEST_F(DosStage, BootEntryFailure) {
  EmulateAttrib(fake, [](const std::wstring& line) { return line.find(L"/export") != std::wstring::npos ? 1 : 0; });
  EXPECT_EQ(StageGhostJob(Restore()).text,
            L"设置启动数据失败！\nbcdedit.exe /export \"C:\\boot\\BCDKX\" 失败，退出代码：1");
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{L"bcdedit.exe /export \"C:\\boot\\BCDKX\""});
}

TEST_F(DosStage, BelowVersionSixTheEntryGoesIntoBootIni) {
  fake.versionMajor = 5;
  fake.AddFile(L"C:\\BOOT.INI", "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)\\WINDOWS\r\n", 0x27);
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"),
            "[boot loader]\r\ntimeout=10\r\ndefault=C:\\KXLDR.MBR\r\n\r\nC:\\KXLDR.MBR=KX Ghost");
  for (const auto& start : fake.starts) EXPECT_EQ(start.Program(), L"attrib.exe");
}

TEST_F(DosStage, AnUnknownVersionTakesTheBcdRoad) {
  fake.versionExtendedFails = fake.versionBasicFails = true;
  EXPECT_EQ(StageGhostJob(Restore()), ghost_result::Done);
  ExpectStaged(kRestoreLine);
}

TEST_F(DosStage, WriteDosStageFilesRefusesALineThatDoesNotFit) {
  EXPECT_FALSE(WriteDosStageFiles(std::wstring(kDosLineLimit + 1, L'x')));
  EXPECT_TRUE(Changed(fake).empty());
  EXPECT_TRUE(WriteDosStageFiles(L"ghost.exe"));
  EXPECT_EQ(fake.Contents(L"C:\\ghost.ba_"), "ghost.exe");
}

class RestartPrompt : public ::testing::Test {
 protected:
  void SetUp() override { SetUpDesktop(fake); }
  void TearDown() override { g_bInPE = 0; }
  const std::wstring desktopQuestion =
      L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启，“取消”撤销安装！";
  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(RestartPrompt, DesktopYesRestarts) {
  fake.QueueAnswer(mbox::IdYes);
  PromptRestart();
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, desktopQuestion);
  EXPECT_EQ(fake.messages[0].style, 0x123u) << "No (restart later) is the default";
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(RestartPrompt, WithFastStartupOnlyARestartRunsTheJob) {
  fake.SetRegistryNumber(L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power", L"HiberbootEnabled", 1);
  PromptRestart();
  EXPECT_EQ(fake.messages[0].text, desktopQuestion + L"\n本机已开启快速启动：只有重启电脑才会执行本次任务，关机后再开机不会执行。");
  fake.SetRegistryNumber(L"SOFTWARE\\Rigmate", L"FastStartupHeldOff", 1);   // unless the staging held it off
  PromptRestart();
  EXPECT_EQ(fake.messages[1].text, desktopQuestion + L"\n本机的快速启动已暂时关闭，关机后再开机也会执行本次任务；任务执行后，下次运行本软件时会重新开启快速启动。");
}

TEST_F(RestartPrompt, DesktopNoDoesNothing) {
  fake.QueueAnswer(mbox::IdNo);
  PromptRestart();
  EXPECT_EQ(fake.rebootRequests, 0);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(Changed(fake).empty());
}

TEST_F(RestartPrompt, CancelUndoesTheEntryByVersion) {
  for (int version : {6, 10}) {
    fake.starts.clear();
    fake.versionMajor = version;
    fake.AddFile(L"C:\\boot\\BCDKX", "export");
    fake.QueueAnswer(mbox::IdCancel);
    PromptRestart();
    EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{L"bcdedit.exe /import \"C:\\boot\\BCDKX\""});
  }
  fake.starts.clear();
  fake.versionExtendedFails = fake.versionBasicFails = true;
  fake.AddFile(L"C:\\boot\\BCDKX", "export");
  std::wstring sessionEnd;
  EmulateAttrib(fake, [&](const std::wstring&) { return sessionEnd = SessionEndRefusal(false), 0; });
  fake.QueueAnswer(mbox::IdCancel);
  PromptRestart();
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{L"bcdedit.exe /import \"C:\\boot\\BCDKX\""});
  EXPECT_EQ(fake.rebootRequests, 0);
  EXPECT_EQ(sessionEnd, kStagingUnderWay) << "the session may not end while the undo runs";
}

TEST_F(RestartPrompt, CancelOnXpPutsBootIniBack) {
  fake.versionMajor = 5;
  fake.AddFile(L"C:\\BOOT.INI", "default=C:\\KXLDR.MBR", 0x27);
  fake.AddFile(L"C:\\BOOT.INIKX", "saved");
  fake.QueueAnswer(mbox::IdCancel);
  PromptRestart();
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), "saved");
  EXPECT_EQ(fake.Attributes(L"C:\\BOOT.INI") & 0x7u, 0x7u);
  for (const auto& start : fake.starts) EXPECT_EQ(start.Program(), L"attrib.exe");
}

TEST_F(RestartPrompt, InsidePeOnlyYesOrNo) {
  g_bInPE = 1;
  fake.QueueAnswer(mbox::IdNo);
  PromptRestart();
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  EXPECT_EQ(fake.rebootRequests, 0);
  fake.QueueAnswer(mbox::IdYes);
  PromptRestart();
  EXPECT_EQ(fake.rebootRequests, 1);
  EXPECT_TRUE(fake.starts.empty());
}
