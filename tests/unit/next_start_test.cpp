// The next start after sequences of stagings, answers, failing Windows tools and DOS-stage
// runs, on the BCD and the BOOT.INI route: after every step it either runs the job the user
// last confirmed, or boots Windows with its boot configuration as it was; never a default
// that names a missing file, never a job the user cancelled.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>

#include "deploy/dos_stage.h"
#include "deploy/ghost_job.h"
#include "platform/system.h"
#include "tests/unit/next_start_model.h"

using namespace next_start;

namespace {

const wchar_t kReplaceQuestion[] = L"等待下次启动";
const wchar_t kRestartQuestion[] = L"配置完成";
int sequencesWalked = 0;

struct Step {
  enum Kind { Stage, Start } kind = Start;
  GhostJob job;
  int replace = mbox::IdNo;       // answer to the question whether to replace a waiting job
  int restart = mbox::IdNo;       // answer to the restart question
  // A tool that fails during the step: a bcdedit switch ("/import"), or on BOOT.INI
  // "copy" (the saved copy cannot be copied back) or "write" (a rewrite stops half-way).
  std::wstring failing;
};

Step Restore(const std::wstring& image, int restart, int replace = mbox::IdNo, std::wstring failing = L"") {
  return Step{Step::Stage, GhostJob{image, L"C:", 0, 1}, replace, restart, failing};
}
Step Backup(const std::wstring& image, int restart, int replace = mbox::IdNo, std::wstring failing = L"") {
  return Step{Step::Stage, GhostJob{image, L"C:", 2, 0}, replace, restart, failing};
}
Step Start() { return Step{}; }

class Walk {
 public:
  explicit Walk(bool bootIni) : machine_(fake, bootIni) {}

  // Runs the steps and checks the rule after each; the first break is a test failure.
  void Run(const std::vector<Step>& steps) {
    ++sequencesWalked;
    for (size_t i = 0; i < steps.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "step " << i);
      if (steps[i].kind == Step::Stage) Stage(steps[i]);
      else StartMachine();
      if (testing::Test::HasFailure()) return;
    }
  }

  Machine& machine() { return machine_; }
  ModelSeam fake;

 private:
  void Stage(const Step& step) {
    const std::string before = expected_;
    fake.answerFor = {{kReplaceQuestion, step.replace}, {kRestartQuestion, step.restart}};
    Inject(step.failing, true);
    size_t shown = fake.messages.size();
    int reboots = fake.rebootRequests;
    if (step.job.restore == 1 && !fake.Exists(step.job.imagePath)) fake.AddFile(step.job.imagePath, "image");
    std::string staged;
    if (RunGhostJob(step.job) == ghost_result::Done) {
      staged = fake.Contents(L"C:\\ghost.ba_");
      PromptRestart();
      expected_ = step.restart == mbox::IdCancel ? "" : staged;
    } else {
      for (size_t i = shown; i < fake.messages.size(); ++i)
        if (fake.messages[i].text.find(kReplaceQuestion) != std::wstring::npos && step.replace == mbox::IdYes)
          expected_.clear();
    }
    Inject(step.failing, false);
    if (step.failing.empty()) {
      Check();
    } else {
      // A failing tool may leave what was there before, but never unsaid.
      bool told = false;
      for (size_t i = shown; i < fake.messages.size(); ++i) told |= fake.messages[i].style == 0x30;
      CheckAllowing({expected_, before, staged}, told);
    }
    if (fake.rebootRequests > reboots) StartMachine();
  }

  void StartMachine() {
    NextStart next = machine_.WhatStartsNext();
    ASSERT_NE(next.kind, NextStart::Broken) << next.detail;
    if (next.kind == NextStart::Dos) {
      std::string ran = machine_.RunDosStage();
      EXPECT_EQ(ran, expected_) << "the DOS stage runs the job the user confirmed last";
      expected_.clear();
    }
    Check();
  }

  void Inject(const std::wstring& failing, bool on) {
    if (failing == L"copy") {
      if (on) {
        fake.Fail(FakeSeam::Op::CopyOneFile, L"C:\\BOOT.INIKX");
        fake.Fail(FakeSeam::Op::ShellCopy, L"C:\\BOOT.INIKX");
        fake.Fail(FakeSeam::Op::ReadWholeFile, L"C:\\BOOT.INIKX");
      } else {
        fake.ClearFailures();
      }
    } else if (failing == L"write") {
      fake.halfWritten = on ? L"C:\\BOOT.INI" : L"";
    } else if (!failing.empty()) {
      machine_.failingSwitches = on ? std::set<std::wstring>{failing} : std::set<std::wstring>{};
    }
  }

  void Check() { CheckAllowing({expected_}, false); }

  // The rule; when a tool failed, the start may also be one of the other allowed ones if
  // the user was told.
  void CheckAllowing(const std::vector<std::string>& allowed, bool told) {
    NextStart next = machine_.WhatStartsNext();
    ASSERT_NE(next.kind, NextStart::Broken) << next.detail;
    std::string runs = next.kind == NextStart::Dos ? next.detail : "";
    ASSERT_FALSE(next.kind == NextStart::Dos && runs.empty()) << "the DOS stage starts without a job";
    bool asIntended = runs == expected_ && (next.kind == NextStart::Dos || machine_.ConfigAsBefore());
    ASSERT_TRUE(asIntended || (told && std::find(allowed.begin(), allowed.end(), runs) != allowed.end()))
        << "the next start runs \"" << runs << "\" but the user confirmed \"" << expected_ << "\"; the boot "
        << "configuration:\n" << machine_.Config();
    expected_ = runs;
    if (next.kind != NextStart::Windows) return;
    EXPECT_FALSE(fake.Exists(L"C:\\ghost.ba_")) << "no job waits on the system drive";
  }

  ScopedSeam use_{&fake};
  Machine machine_;
  std::string expected_;   // the Ghost line of the job the user confirmed last; empty: none
};

const int Yes = mbox::IdYes, No = mbox::IdNo, Cancel = mbox::IdCancel;
const wchar_t kImageA[] = L"D:\\Rigmate\\GHO\\WIN7A.GHO";
const wchar_t kImageB[] = L"D:\\Rigmate\\GHO\\WIN7B.GHO";

class NextStartWalk : public ::testing::TestWithParam<bool> {
 protected:
  static void TearDownTestSuite() {
    std::printf("[ next start ] %d sequences walked\n", sequencesWalked);
  }
};

}  // namespace

TEST_P(NextStartWalk, AStagedJobRunsOnceAndWindowsComesBack) {
  Walk(GetParam()).Run({Restore(kImageA, No), Start(), Start()});
  Walk(GetParam()).Run({Backup(L"D:\\BACKUP.GHO", Yes), Start()});
  Walk(GetParam()).Run({Restore(L"F:\\WIN7.GHO", No), Start()});   // moved onto the target's disk
}

TEST_P(NextStartWalk, CancelLeavesNothingThatCouldRunLater) {
  Walk(GetParam()).Run({Restore(kImageA, Cancel), Start(), Backup(L"D:\\BACKUP.GHO", Cancel), Start()});
}

TEST_P(NextStartWalk, ASecondStagingWhileTheFirstWaits) {
  // No keeps the waiting job; Yes replaces it, and Cancel then leaves none.
  Walk(GetParam()).Run({Restore(kImageA, No), Restore(kImageB, No, No), Start()});
  Walk(GetParam()).Run({Restore(kImageA, No), Restore(kImageB, No, Yes), Start()});
  Walk(GetParam()).Run({Restore(kImageA, No), Restore(kImageB, Cancel, Yes), Start()});
  Walk(GetParam()).Run({Restore(kImageA, No), Backup(L"D:\\BACKUP.GHO", Yes, Yes)});
}

TEST_P(NextStartWalk, FailingToolsNeverLeaveABrokenStart) {
  const std::vector<std::wstring> failing =
      GetParam() ? std::vector<std::wstring>{L"copy", L"write"}
                 : std::vector<std::wstring>{L"/export", L"/create", L"/set", L"/displayorder", L"/default", L"/import"};
  for (const auto& tool : failing) {
    SCOPED_TRACE(testing::Message() << tool.size());
    Walk(GetParam()).Run({Restore(kImageA, No, No, tool), Start()});
    Walk(GetParam()).Run({Restore(kImageA, Cancel, No, tool), Start()});
    Walk(GetParam()).Run({Restore(kImageA, No), Restore(kImageB, Cancel, Yes, tool), Start()});
  }
}

TEST_P(NextStartWalk, GeneratedSequences) {
  const std::vector<std::wstring> failing =
      GetParam() ? std::vector<std::wstring>{L"copy", L"write"}
                 : std::vector<std::wstring>{L"/export", L"/create", L"/set", L"/displayorder", L"/default", L"/import"};
  const int answers[] = {Yes, No, Cancel};
  for (unsigned seed = 1; seed <= 120; ++seed) {
    std::mt19937 random(seed);
    std::vector<Step> steps;
    int length = 2 + static_cast<int>(random() % 7);
    for (int i = 0; i < length; ++i) {
      if (random() % 4 == 0) {
        steps.push_back(Start());
        continue;
      }
      std::wstring name = L"\\S" + std::to_wstring(seed) + L"_" + std::to_wstring(i) + L".GHO";
      int restart = answers[random() % 3], replace = random() % 2 ? Yes : No;
      std::wstring tool = random() % 5 == 0 ? failing[random() % failing.size()] : L"";
      switch (random() % 3) {
        case 0: steps.push_back(Restore(L"D:" + name, restart, replace, tool)); break;
        case 1: steps.push_back(Restore(L"F:" + name, restart, replace, tool)); break;
        default: steps.push_back(Backup(L"D:" + name, restart, replace, tool)); break;
      }
    }
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Walk(GetParam()).Run(steps);
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Routes, NextStartWalk, ::testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "BootIni" : "Bcd"; });

TEST(NextStartOnDesktops, WindowsOnAnotherDriveThanCOnXp) {
  Walk walk(true);
  walk.fake.systemDirectory = L"D:\\WINDOWS\\system32";
  walk.Run({Step{Step::Stage, GhostJob{L"E:\\WIN.GHO", L"D:", 0, 1}, No, Yes, L""}, Start()});
}

TEST(NextStartOnDesktops, StoreOnAPartitionWithoutALetter) {
  Walk walk(false);
  walk.machine().MoveStoreToHiddenPartition();
  walk.Run({Restore(kImageA, Yes), Start()});
}
