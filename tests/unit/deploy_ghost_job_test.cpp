// Ghost jobs: the checks of the dispatcher and Ghost for Windows inside a PE.
#include <gtest/gtest.h>

#include "deploy/ghost_job.h"
#include "platform/machine_change.h"
#include "platform/pe_flag.h"
#include "tests/unit/deploy_machine.h"

using namespace deploy_test;

class GhostJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpDesktop(fake);
    fake.SetDrives(L"CDEX");
    fake.volumes[L'X'] = DiskVolume(2, 1);
    fake.modulePath = L"X:\\Tools\\Rigmate\\Rigmate.exe";
    fake.AddFile(L"D:\\Rigmate\\GHO\\WIN764.GHO", "image");
    fake.AddFile(L"D:\\RigmateBackup.GHO", "old backup");
    TheDisk().Refresh();
    g_bInPE = 1;
  }
  void TearDown() override { g_bInPE = 0; }

  void AddGhost() { fake.AddFile(L"E:\\GHOST32.EXE", "ghost"); }
  GhostJob Restore() { return GhostJob{L"D:\\Rigmate\\GHO\\WIN764.GHO", L"C:", 0, 1}; }
  GhostJob Backup() { return GhostJob{L"D:\\RigmateBackup.GHO", L"C:", 3, 0}; }

  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(GhostJobTest, WindowsCommandLines) {
  EXPECT_EQ(GhostWindowsCommand(L"X:\\GHOST32.EXE", Restore()),
            L"X:\\GHOST32.EXE -noide -nousb -clone,mode=pload,src=\"D:\\Rigmate\\GHO\\WIN764.GHO:1\",dst=C: "
            L"-crcignore -sure");
  EXPECT_EQ(GhostWindowsCommand(L"E:\\GHOST32.EXE", Backup()),
            L"E:\\GHOST32.EXE -noide -nousb -clone,mode=pdump,src=C:,dst=\"D:\\RigmateBackup.GHO\" -z3 "
            L"-crcignore -sure");
  // A folder with a blank: Ghost's own path is quoted, or it would split.
  EXPECT_EQ(GhostWindowsCommand(L"X:\\My Tools\\GHOST32.EXE", Restore()).substr(0, 32),
            L"\"X:\\My Tools\\GHOST32.EXE\" -noide");
}

TEST_F(GhostJobTest, AnImagePathNamesOneFile) {
  AddGhost();
  fake.AddFolder(L"D:\\Folder.GHO");
  for (const wchar_t* path : {L"D:\\*.GHO", L"D:\\Rigmate\\GHO\\WIN76?.GHO", L"D:\\Folder.GHO"}) {
    SCOPED_TRACE(fake.WideToAnsi(path));
    const GhostOutcome restore = RunGhostJob(GhostJob{path, L"C:", 0, 1});
    EXPECT_EQ(restore.code, GhostCode::ImageMissing);
    EXPECT_EQ(restore.text, L"镜像文件：" + std::wstring(path) + L"不存在！");
    const GhostOutcome backup = RunGhostJob(GhostJob{path, L"C:", 3, 0});
    EXPECT_EQ(backup.code, GhostCode::NotOneFile);
    EXPECT_EQ(backup.text, L"文件：" + std::wstring(path) + L"不是有效的镜像文件名！");
  }
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_TRUE(fake.starts.empty());
}

// A path that depends on a current folder would name another file for DOS Ghost.
TEST_F(GhostJobTest, AnImagePathIsAbsoluteFromADriveLetter) {
  g_bInPE = 0;
  for (const wchar_t* path : {L"D:WIN764.GHO", L"\\WIN764.GHO", L"\\\\pc\\d\\WIN764.GHO"})
    for (int restore : {1, 0}) {
      const GhostOutcome outcome = RunGhostJob(GhostJob{path, L"C:", 0, restore});
      EXPECT_EQ(outcome.code, GhostCode::NotAbsolute);
      EXPECT_EQ(outcome.text, L"镜像文件：" + std::wstring(path) + L"不是带盘符的完整路径（如 D:\\GHO\\WIN7.GHO），请重新选择！");
    }
}

TEST_F(GhostJobTest, TheSessionMayNotEndWhileGhostRunsOrAStagingIsHalfDone) {
  AddGhost();
  std::vector<std::wstring> refusals;
  EmulateAttrib(fake, [&](const std::wstring&) { return refusals.push_back(SessionEndRefusal(false)), 0; });
  RunGhostJob(Restore());   // Ghost
  g_bInPE = 0;
  RunGhostJob(Restore());   // the staging's bcdedit
  ASSERT_GE(refusals.size(), 2u);
  EXPECT_EQ(refusals.front() + L"|" + refusals.back(), std::wstring(kDiskWriteUnderWay) + L"|" + kStagingUnderWay);
  EXPECT_EQ(SessionEndRefusal(false), L"") << "none after the jobs";
}

TEST_F(GhostJobTest, InPeARestoreFromTheTargetItselfIsRefused) {
  AddGhost();
  fake.AddFile(L"C:\\WIN7.GHO", "image on the target");
  const GhostOutcome outcome = RunGhostJob(GhostJob{L"c:\\WIN7.GHO", L"C:", 0, 1});
  EXPECT_EQ(outcome.code, GhostCode::ImageOnTarget);
  EXPECT_EQ(outcome.text, L"镜像文件位于要还原的分区上，还原时会被覆盖，请将镜像文件放到其他分区！");
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(GhostJobTest, MissingRestoreImageStopsBeforeGhostIsLookedFor) {
  GhostJob job = Restore();
  job.imagePath = L"D:\\Rigmate\\GHO\\WINXP.GHO";
  EXPECT_EQ(RunGhostJob(job).text, L"镜像文件：D:\\Rigmate\\GHO\\WINXP.GHO不存在！");
  EXPECT_TRUE(fake.starts.empty());
  // On the desktop nothing is staged either.
  g_bInPE = 0;
  EXPECT_EQ(RunGhostJob(job).code, GhostCode::ImageMissing);
  EXPECT_TRUE(Changed(fake).empty());
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(GhostJobTest, BackupOntoAnExistingFileAsksFirst) {
  AddGhost();
  fake.QueueAnswer(mbox::IdNo);
  EXPECT_EQ(RunGhostJob(Backup()).code, GhostCode::Declined);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"文件：D:\\RigmateBackup.GHO已经存在！是否覆盖？");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  EXPECT_TRUE(fake.starts.empty());

  fake.QueueAnswer(mbox::IdYes);
  EXPECT_EQ(RunGhostJob(Backup()).code, GhostCode::Done);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_NE(fake.starts[0].commandLine.find(L"src=C:,dst=\"D:\\RigmateBackup.GHO\" -z3"), std::wstring::npos);
}

TEST_F(GhostJobTest, RunsGhostFromADriveRootWithTheWindowHidden) {
  AddGhost();
  bool hiddenWhileRunning = false;
  fake.onStart = [&](const FakeSeam::ProcessStart&) {
    hiddenWhileRunning = !fake.mainWindowVisible;
    return 0;
  };
  const GhostOutcome outcome = RunGhostJob(Restore());
  EXPECT_EQ(outcome.code, GhostCode::Done);
  EXPECT_EQ(outcome.text, L"");
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"E:\\GHOST32.EXE");
  EXPECT_EQ(fake.starts[0].commandLine, GhostWindowsCommand(L"E:\\GHOST32.EXE", Restore()));
  EXPECT_TRUE(fake.starts[0].wait);
  EXPECT_TRUE(fake.starts[0].show);
  EXPECT_TRUE(hiddenWhileRunning);
  EXPECT_TRUE(fake.mainWindowVisible);
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(GhostJobTest, GhostBelowADriveRootIsNotFound) {
  fake.AddFile(L"E:\\tools\\GHOST32.EXE", "ghost");
  const GhostOutcome outcome = RunGhostJob(Restore());
  EXPECT_EQ(outcome.code, GhostCode::GhostMissing);
  EXPECT_EQ(outcome.text, L"找不到ghost32.exe，请将ghost32.exe放到本软件目录下或者任一分区根目录下。");
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.mainWindowVisible);
}

TEST_F(GhostJobTest, AGhostErrorOrAFailedStartIsReported) {
  AddGhost();
  fake.onStart = nullptr;
  fake.SetExitCode(L"GHOST32", 10);
  EXPECT_EQ(RunGhostJob(Restore()).text, L"GHOST出错！");
  fake.SetStartFails(L"GHOST32.EXE");
  EXPECT_EQ(RunGhostJob(Restore()).code, GhostCode::GhostFailed);
  EXPECT_TRUE(fake.mainWindowVisible);
}

TEST_F(GhostJobTest, OnTheDesktopTheJobIsStaged) {
  g_bInPE = 0;
  const GhostOutcome outcome = RunGhostJob(Restore());
  EXPECT_EQ(outcome.code, GhostCode::Staged);
  EXPECT_EQ(outcome.text, L"");
  EXPECT_TRUE(fake.Exists(L"C:\\ghost.ba_"));
  for (const auto& start : fake.starts) EXPECT_NE(start.Program(), L"GHOST32.EXE");
}
