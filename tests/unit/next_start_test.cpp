// The next start after sequences of stagings, answers, failing Windows tools and DOS-stage
// runs, on the BCD and the BOOT.INI route: after every step it either runs the job the user
// last confirmed, or boots Windows with its boot configuration as it was; never a default
// that names a missing file, never a job the user cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <random>

#include "deploy/dos_stage.h"
#include "deploy/ghost_job.h"
#include "deploy/staging_record.h"
#include "platform/system.h"
#include "tests/unit/next_start_model.h"

using namespace next_start;

namespace {

const wchar_t kReplaceQuestion[] = L"等待下次启动";
const wchar_t kRestartQuestion[] = L"配置完成";
int sequencesWalked = 0, cutsWalked = 0;

struct Step {
  enum Kind { Stage, Start } kind = Start;
  GhostJob job;
  int replace = mbox::IdNo;       // answer to the question whether to replace a waiting job
  int restart = mbox::IdNo;       // answer to the restart question
  // A tool that fails during the step: a bcdedit switch ("/import"), or on BOOT.INI
  // "copy" (the saved copy cannot be copied back) or "write" (a rewrite stops half-way).
  // During a start, a fault of the DOS stage: "read-only" (the NTFS driver mounts the
  // payload's partition read-only) or "copy" (the copy onto the store or BOOT.INI fails);
  // or "shutdown": a shut-down PC switched on, which Fast Startup makes a hibernation.
  std::wstring failing;
};

Step Restore(const std::wstring& image, int restart, int replace = mbox::IdNo, std::wstring failing = L"") {
  return Step{Step::Stage, GhostJob{image, L"C:", 0, 1}, replace, restart, failing};
}
Step Backup(const std::wstring& image, int restart, int replace = mbox::IdNo, std::wstring failing = L"") {
  return Step{Step::Stage, GhostJob{image, L"C:", 2, 0}, replace, restart, failing};
}
Step Start(std::wstring fault = L"") { return Step{Step::Start, GhostJob{}, mbox::IdNo, mbox::IdNo, fault}; }

// Where the power goes in a walk: before the at-th change the program makes during step
// `step` (a staging), or after the at-th DOS batch line of the start at that step.
struct Cut {
  size_t step = SIZE_MAX;
  int at = 0;
};
// What the user does once the machine is back after a cut: nothing, stage a new job, or
// stage one and take it back at the restart question.
enum class Then { Quit, StageAgain, StageAndCancel };

class Walk {
 public:
  explicit Walk(bool bootIni, Layout layout = Layout::Plain) : machine_(fake, bootIni, layout) {}

  // What a walk without a cut saw at each step: its cut points (the changes of a staging,
  // the DOS lines of a start) and the Ghost line a staging wrote.
  struct Seen {
    std::vector<int> points;
    std::vector<std::string> jobs;
  };

  // Runs the steps and checks the rule after each; the first break is a test failure.
  // With a cut, the walk ends with the start after it and what the user does then; seen
  // is what the walk without the cut saw.
  Seen Run(const std::vector<Step>& steps, Cut cut = {}, Then then = Then::Quit, const Seen& seen = {}) {
    ++sequencesWalked;
    Seen now;
    for (size_t i = 0; i < steps.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "step " << i);
      int at = cut.step == i ? cut.at : 0;
      plannedJob_ = i < seen.jobs.size() ? seen.jobs[i] : "";
      std::string job;
      bool wentOff = steps[i].kind == Step::Stage ? Stage(steps[i], at, &job) : StartMachine(at, steps[i].failing);
      if (steps[i].kind == Step::Stage) strictAfterCut_ = true;   // the program has run again
      now.points.push_back(steps[i].kind == Step::Stage ? fake.changes : machine_.dosLinesRun);
      now.jobs.push_back(job);
      if (testing::Test::HasFailure()) return now;
      if (wentOff) {
        AfterCut(then);
        return now;
      }
    }
    return now;
  }

  Machine& machine() { return machine_; }
  ModelSeam fake;

 private:
  // A staging and the answer to the restart question; true when the power went.
  bool Stage(const Step& step, int cutBefore, std::string* job = nullptr) {
    const std::string before = expected_;
    machine_.readOnlyRoots.clear();   // Windows runs: it checked its dirty volumes
    fake.answerFor = {{kReplaceQuestion, step.replace}, {kRestartQuestion, step.restart}, {L"另一次DOS安装", mbox::IdYes}};
    Inject(step.failing, true);
    size_t shown = fake.messages.size();
    int reboots = fake.rebootRequests;
    if (step.job.restore == 1 && !fake.Exists(step.job.imagePath)) fake.AddFile(step.job.imagePath, "image");
    std::string staged;
    fake.changes = 0;
    fake.cutBefore = cutBefore;
    fake.armed = true;
    try {
      if (RunGhostJob(step.job).code == GhostCode::Staged) {
        staged = machine_.JobLine();
        if (job) *job = staged;
        CheckGhostNames(step.job, staged);
        PromptRestart();
        expected_ = step.restart == mbox::IdCancel ? "" : staged;
      } else {
        for (size_t i = shown; i < fake.messages.size(); ++i)
          if (fake.messages[i].text.find(kReplaceQuestion) != std::wstring::npos && step.replace == mbox::IdYes)
            expected_.clear();
      }
    } catch (const PowerCut&) {
      Inject(step.failing, false);
      // The power went in the middle: the job before, this one, or Windows may start.
      cutAllows_ = {before, plannedJob_};
      return true;
    }
    fake.armed = false;
    Inject(step.failing, false);
    bool told = false;
    for (size_t i = shown; i < fake.messages.size(); ++i) told |= fake.messages[i].style == 0x30;
    // A failing tool may leave what was there before, but never unsaid.
    if (step.failing.empty()) Check();
    else CheckAllowing({expected_, before, staged}, told);
    if (fake.rebootRequests > reboots) StartMachine(0);
    return false;
  }

  // DOS Ghost's line names the job's target in the numbers of the BIOS order.
  void CheckGhostNames(const GhostJob& job, const std::string& line) {
    size_t at = line.find(job.restore == 1 ? "dst=" : "src=") + 4;
    EXPECT_EQ(machine_.GhostPath(line.substr(at, line.find_first_of(", ", at) - at)), job.target) << line;
  }

  // Starts the machine; true when the power went during its DOS stage.
  bool StartMachine(int cutAfter, const std::wstring& fault = L"") {
    if (fault == L"shutdown" && FastStartupOn()) machine_.hibernatedRoots = {L"C:"};
    NextStart next = machine_.WhatStartsNext(true);
    machine_.dosLinesRun = 0;
    EXPECT_NE(next.kind, NextStart::Broken) << next.detail;
    if (next.kind != NextStart::Dos) {
      machine_.readOnlyRoots.clear(), machine_.hibernatedRoots.clear();   // Windows checks its volumes, or resumes
      Check();
      return false;
    }
    const std::wstring root = machine_.storeRoot();
    if (fault == L"read-only") machine_.readOnlyRoots = {root};   // until Windows starts
    const bool faulty = (!fault.empty() && fault != L"shutdown") || !machine_.readOnlyRoots.empty();
    std::wstring store = root + (machine_.bootIni() ? L"\\boot.ini" : L"\\Boot\\BCD");
    for (auto& c : store) c = static_cast<wchar_t>(std::towlower(c));
    if (fault == L"copy") machine_.failingCopies = {store};
    bool wentOff = false;
    std::string ran = machine_.RunDosStage(cutAfter, &wentOff);
    machine_.failingCopies.clear();
    CheckHibernated(ran);
    EXPECT_FALSE(machine_.dosHung) << "the DOS stage waits for an answer no one sees";
    if (faulty && !wentOff) {
      // The boot configuration is not back: no job, and (where the boot manager can) the
      // next start is Windows. BOOT.INI has no one-time start: the DOS stage comes back
      // until Windows is chosen in the boot menu.
      EXPECT_EQ(ran, "") << "the job ran while the boot configuration was not back";
      NextStart after = machine_.WhatStartsNext();
      EXPECT_NE(after.kind, NextStart::Broken) << after.detail;
      EXPECT_TRUE(machine_.bootIni() || after.kind == NextStart::Windows) << "the DOS stage comes back at every start";
      if (after.kind == NextStart::Windows) expected_.clear();
      strictAfterCut_ = false;
      return false;
    }
    if (wentOff) {
      cutAllows_ = {expected_};
      return true;
    }
    EXPECT_EQ(ran, expected_) << "the DOS stage runs the job the user confirmed last";
    expected_.clear();
    Check();
    return false;
  }

  // A hibernated partition may be written by the DOS stage, or imaged, only when the job
  // restores it: Windows would resume over the changes.
  void CheckHibernated(const std::string& ran) {
    const bool restore = ran.find("mode=pload") != std::string::npos;
    const size_t at = ran.find(restore ? "dst=" : "src=") + 4;
    const bool hibernated = at >= 4 && machine_.hibernatedRoots.count(machine_.GhostPath(ran.substr(at, 3)).substr(0, 2));
    EXPECT_TRUE(machine_.hibernatedWrites.empty() || (restore && hibernated)) << "DOS writes on hibernated Windows";
    EXPECT_FALSE(!restore && hibernated) << "Ghost images a hibernated partition";
    machine_.hibernatedRoots.clear(), machine_.hibernatedWrites.clear();
  }

  // The machine starts again after the cut, and the user goes on.
  void AfterCut(Then then) {
    SCOPED_TRACE("after the cut");
    NextStart next = machine_.WhatStartsNext(true);
    ASSERT_NE(next.kind, NextStart::Broken) << next.detail;
    if (next.kind == NextStart::Dos) {
      ASSERT_FALSE(next.detail.empty()) << "the DOS stage starts without a job";
      ASSERT_TRUE(std::find(cutAllows_.begin(), cutAllows_.end(), next.detail) != cutAllows_.end())
          << "after the cut the DOS stage runs \"" << next.detail << "\", a job the user took back";
      EXPECT_EQ(machine_.RunDosStage(), next.detail);
      next = machine_.WhatStartsNext();
      ASSERT_EQ(next.kind, NextStart::Windows) << "the DOS stage starts again and again: " << next.detail;
    }
    // Windows is up; what the cut left must not stop the program from doing its work.
    expected_.clear();
    strictAfterCut_ = false;
    if (then == Then::Quit) return;
    Stage(Restore(L"D:\\AFTER.GHO", then == Then::StageAgain ? mbox::IdNo : mbox::IdCancel, mbox::IdYes), 0);
    strictAfterCut_ = true;
    StartMachine(0);
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
    } else if (failing == L"write" || failing == L"write twice") {
      fake.failingRewrite = on ? L"C:\\BOOT.INI" : L"";
      fake.failingRewrites = failing == L"write" ? 1 : 2;
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
    // Until the program has run again after a cut, the store may keep what the cut left.
    bool configAsIntended = next.kind == NextStart::Dos || !strictAfterCut_ || machine_.ConfigAsBefore();
    bool asIntended = runs == expected_ && configAsIntended;
    ASSERT_TRUE(asIntended || (told && std::find(allowed.begin(), allowed.end(), runs) != allowed.end()))
        << "the next start runs \"" << runs << "\" but the user confirmed \"" << expected_ << "\"; the boot "
        << "configuration:\n" << machine_.Config();
    expected_ = runs;
    if (next.kind != NextStart::Windows || !strictAfterCut_) return;
    // Nothing of a staging may stay behind to run, or to be put back over later changes.
    std::vector<std::wstring> left = machine_.StagedFilesLeft();
    if (told) left.erase(std::remove_if(left.begin(), left.end(),
                                        [](const std::wstring& path) { return path.find(L"ghost.ba_") == std::wstring::npos; }),
                         left.end());
    EXPECT_TRUE(left.empty()) << "left behind: " << testing::PrintToString(left);
  }

  ScopedSeam use_{&fake};
  Machine machine_;
  std::string expected_;   // the Ghost line of the job the user confirmed last; empty: none
  std::string plannedJob_;     // the line this staging writes when nothing stops it
  std::vector<std::string> cutAllows_;
  bool strictAfterCut_ = true;
};

const int Yes = mbox::IdYes, No = mbox::IdNo, Cancel = mbox::IdCancel;
const wchar_t kImageA[] = L"D:\\Rigmate\\GHO\\WIN7A.GHO";
const wchar_t kImageB[] = L"D:\\Rigmate\\GHO\\WIN7B.GHO";
constexpr unsigned kCutSeeds = 6;   // generated sequences that are also cut everywhere

class NextStartWalk : public ::testing::TestWithParam<bool> {
 protected:
  static void TearDownTestSuite() {
    std::printf("[ next start ] %d sequences walked, %d of them cut\n", sequencesWalked, cutsWalked);
  }
};

// The sequence once whole, then once for every cut point of every step; what the user
// does after the cut goes round the three choices from one cut point to the next.
void WalkEveryCut(bool bootIni, Layout layout, const std::vector<Step>& steps) {
  const Then choices[] = {Then::Quit, Then::StageAgain, Then::StageAndCancel};
  Walk::Seen seen = Walk(bootIni, layout).Run(steps);
  for (size_t step = 0; step < seen.points.size() && !testing::Test::HasFailure(); ++step) {
    for (int at = 1; at <= seen.points[step]; ++at) {
      Then then = choices[(step + static_cast<size_t>(at)) % 3];
      SCOPED_TRACE(testing::Message() << "cut at step " << step << ", point " << at << ", then "
                                      << static_cast<int>(then));
      ++cutsWalked;
      Walk(bootIni, layout).Run(steps, Cut{step, at}, then, seen);
      if (testing::Test::HasFailure()) return;
    }
  }
}

std::vector<std::wstring> FailingTools(bool bootIni) {
  return bootIni ? std::vector<std::wstring>{L"copy", L"write", L"write twice"}
                 : std::vector<std::wstring>{L"/export", L"/create", L"/set", L"/displayorder", L"/default", L"/import"};
}

}  // namespace

TEST_P(NextStartWalk, AStagedJobRunsOnceAndWindowsComesBack) {
  Walk(GetParam()).Run({Restore(kImageA, No), Start(), Start()});
  Walk(GetParam()).Run({Backup(L"D:\\BACKUP.GHO", Yes), Start()});
  Walk(GetParam()).Run({Restore(L"F:\\WIN7.GHO", No), Start()});   // moved onto the target's disk
  // A path that would make the Ghost line longer than DOS reads: copied to the root.
  Walk(GetParam()).Run({Restore(L"D:\\Rigmate\\GHO\\Windows7_Ultimate_SP1_x64\\2016_03_07\\WIN7.GHO", No), Start()});
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
  for (const auto& tool : FailingTools(GetParam())) {
    SCOPED_TRACE(testing::Message() << tool.size());
    Walk(GetParam()).Run({Restore(kImageA, No, No, tool), Start()});
    Walk(GetParam()).Run({Restore(kImageA, Cancel, No, tool), Start()});
    Walk(GetParam()).Run({Restore(kImageA, No), Restore(kImageB, Cancel, Yes, tool), Start()});
  }
}

// The DOS stage finds its partition read-only (a dirty NTFS volume) or cannot copy the saved
// store or BOOT.INI back: it runs no job, and the next start is Windows (BCD) or the DOS
// stage again, which runs the job once the copy goes through (BOOT.INI).
TEST_P(NextStartWalk, ADosStageThatCannotPutTheConfigurationBackRunsNoJob) {
  for (const wchar_t* fault : {L"read-only", L"copy"}) {
    SCOPED_TRACE(testing::Message() << fault[0]);
    Walk(GetParam()).Run({Restore(kImageA, Yes), Start(fault), Start(), Restore(kImageB, No, Yes), Start()});
    Walk(GetParam()).Run({Backup(L"D:\\BACKUP.GHO", No), Start(fault), Start(), Backup(L"D:\\B2.GHO", Cancel, Yes), Start()});
  }
}

// Random sequences of random steps, each walked whole and, for the first seeds, cut at
// every point.
TEST_P(NextStartWalk, GeneratedSequences) {
  const std::vector<std::wstring> failing = FailingTools(GetParam());
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
    if (seed <= kCutSeeds) WalkEveryCut(GetParam(), Layout::Plain, steps);
    else Walk(GetParam()).Run(steps);
    if (HasFailure()) return;
  }
}

// The power goes before every change of a staging, its undo and a replacement, and after
// every line of the DOS stage; the machine starts, and the user quits, stages again, or
// stages and takes it back.
TEST_P(NextStartWalk, EveryCutPoint) {
  for (Layout layout : {Layout::Plain, Layout::Setup, Layout::Foreign, Layout::SecondDisk}) {
    if (layout == Layout::Setup && GetParam()) continue;   // XP keeps BOOT.INI on C:
    SCOPED_TRACE(testing::Message() << "layout " << static_cast<int>(layout));
    WalkEveryCut(GetParam(), layout, {Restore(kImageA, No), Start(), Start()});
    WalkEveryCut(GetParam(), layout, {Backup(L"D:\\BACKUP.GHO", Cancel), Start()});
    WalkEveryCut(GetParam(), layout, {Restore(L"F:\\WIN7.GHO", No), Restore(kImageB, No, Yes), Start()});
  }
}

INSTANTIATE_TEST_SUITE_P(Routes, NextStartWalk, ::testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "BootIni" : "Bcd"; });

TEST(NextStartOnDesktops, WindowsOnAnotherDriveThanCOnXp) {
  Walk walk(true);
  walk.fake.systemDirectory = L"D:\\WINDOWS\\system32";
  walk.Run({Step{Step::Stage, GhostJob{L"E:\\WIN.GHO", L"D:", 0, 1}, No, Yes, L""}, Start()});
}

// A system partition of a maker's hidden type: the loader would boot the floppy image
// from it, but DOS gives it no letter and the batch would find nothing.
TEST(NextStartOnDesktops, AStoreOnAHiddenPartitionIsNeverStaged) {
  Walk(false, Layout::HiddenStore).Run({Restore(kImageA, Yes), Start(), Backup(L"D:\\BACKUP.GHO", No), Start()});
}

// Fast Startup on or off: a restore of C:, a backup of C:, a restore of D: and a cancelled
// job, each followed by a shutdown; the setting is back once the program runs again.
TEST(NextStartOnDesktops, AShutdownWithFastStartupHibernatesNoPartitionTheDosStageKeeps) {
  const Step restoreOfD{Step::Stage, GhostJob{L"E:\\DATA.GHO", L"D:", 0, 1}, No, No, L""};
  for (uint32_t on : {0u, 1u}) {
    for (const Step& job : {restoreOfD, Restore(kImageA, No), Backup(L"D:\\BACKUP.GHO", No), Restore(kImageA, Cancel)}) {
      SCOPED_TRACE(testing::Message() << on << job.job.target << job.job.restore << job.restart);
      Walk walk(false);
      walk.fake.SetRegistryNumber(L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power", L"HiberbootEnabled", on);
      walk.Run({job, Start(L"shutdown")});
      SettleEarlierStaging();   // the program runs again
      EXPECT_EQ(FastStartupOn(), on == 1);
    }
  }
}

// Windows Setup's layout: the store on the system partition without a letter, where the
// DOS stage's files go too; after the DOS stage the store there is the original one.
TEST(NextStartOnDesktops, StoreOnTheSystemPartitionWithoutALetter) {
  Walk walk(false, Layout::Setup);
  Walk::Seen seen = walk.Run({Restore(kImageA, Yes), Start(), Backup(L"D:\\BACKUP.GHO", Cancel), Start(),
                              Restore(kImageA, No), Restore(kImageB, No, Yes), Start()});
  EXPECT_NE(seen.jobs[0], "") << "staged through bcdedit, which takes lettered paths only";
  EXPECT_TRUE(walk.machine().ConfigAsBefore());
  EXPECT_NE(walk.fake.Contents(walk.machine().storeRoot() + L"\\Boot\\BCD"), "");
}
