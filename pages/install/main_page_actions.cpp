// The main page's actions: system facts, quick-install search and target, one-click jobs.
#include "pages/install/main_page_actions.h"

#include <vector>

#include "deploy/dos_stage.h"
#include "deploy/ghost_job.h"
#include "deploy/question_facts.h"
#include "pages/install/restore_target.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/pe_flag.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace main_page {

const wchar_t* const kQuickInstallImages[kQuickInstallCount] = {
    L"Rigmate\\GHO\\WINXP.GHO",   L"Rigmate\\GHO\\WIN732.GHO",  L"Rigmate\\GHO\\WIN764.GHO",
    L"Rigmate\\GHO\\WIN832.GHO",  L"Rigmate\\GHO\\WIN864.GHO",  L"Rigmate\\GHO\\WIN1032.GHO",
    L"Rigmate\\GHO\\WIN1064.GHO"};
// The quick-install buttons' captions, in the order of the images.
const wchar_t* const kQuickInstallEditions[kQuickInstallCount] = {
    L"Windows XP", L"Windows 7 32位", L"Windows 7 64位", L"Windows 8.1 32位", L"Windows 8.1 64位",
    L"Windows 10 32位", L"Windows 10 64位"};

namespace {

constexpr size_t kMaxPath = 260;

// A slot holds a path of at most 259 characters: a longer one is not a usable image.
std::wstring FitSlot(const std::wstring& path) { return path.size() < kMaxPath ? path : L""; }

void RunJob(const GhostJob& job) {
  const GhostOutcome outcome = RunGhostJob(job);
  if (!outcome.text.empty())
    ShowMessage(IsFailure(outcome.code) ? WithLogPlace(outcome.text) : outcome.text, mbox::Ok | mbox::IconExclamation);
  if (outcome.code == GhostCode::Done || outcome.code == GhostCode::Staged) PromptRestart();
}

// On a desktop these jobs are staged for DOS Ghost: without the payload none can run,
// which is said before any question is asked.
bool PayloadMissing() {
  if (g_bInPE || PayloadComplete()) return false;
  ShowMessage(kPayloadIncompleteText, mbox::IconExclamation);
  return true;
}

// The job's own checks, before its question: a Yes is never answered by a refusal.
bool JobRefused(const GhostJob& job) {
  GhostOutcome refusal;
  if (!GhostJobRefused(job, &refusal)) return false;
  ShowMessage(refusal.text, mbox::Ok | mbox::IconExclamation);
  return true;
}

// The fixed one-click drive is refused where it is not this machine's own partition.
bool Refused(const std::wstring& action) {
  std::wstring refusal = OneClickRefusal(kOneClickDrive, action);
  if (!refusal.empty()) ShowMessage(refusal, mbox::IconExclamation);
  return !refusal.empty();
}

}  // namespace

SystemFacts ReadSystemFacts() {
  SystemFacts facts;
  facts.productName = GetProductName();
  facts.build = GetCurrentBuild();
  facts.architecture = TheSeam().IsWow64() ? L"64位" : L"32位";
  facts.installDate = GetInstallDateText();
  uint64_t total = 0;
  double gib = 0;
  if (TheSeam().TotalPhysicalMemory(&total)) gib = static_cast<double>(total) / 1024 / 1024 / 1024;
  facts.memory = Format(L"%.2f GB", gib);
  return facts;
}

QuickInstallSlots SearchQuickInstallImages() {
  QuickInstallSlots slots;
  const std::vector<std::wstring> roots = DriveRoots();
  const std::wstring programFolder = GetModuleFolder();
  for (int i = 0; i < kQuickInstallCount; ++i) {
    std::wstring candidate = Format(L"%s\\%s", programFolder, kQuickInstallImages[i]);
    if (PathExists(candidate)) { slots[i] = FitSlot(candidate); continue; }
    for (const std::wstring& root : roots) {
      candidate = Format(L"%s%s", root, kQuickInstallImages[i]);
      if (PathExists(candidate)) { slots[i] = FitSlot(candidate); break; }
    }
  }
  return slots;
}

void QuickInstall(int index, const std::wstring& slot) {
  if (PayloadMissing()) return;
  if (!PathExists(slot)) {
    // The image found at start-up and gone since, or the one looked for beside the program.
    const std::wstring missing = slot.empty() && index >= 0 && index < kQuickInstallCount
                                     ? PathBesideProgram(kQuickInstallImages[index]) : slot;
    const bool known = index >= 0 && index < kQuickInstallCount;
    const std::wstring edition = known ? Format(L"\n%s的快速安装镜像：", kQuickInstallEditions[index]) : L"";
    ShowMessage(WithPath(Format(L"找不到指定的文件！\n系统编号：%d", index) + edition, missing), mbox::IconExclamation);
    return;
  }
  const RestoreTarget target = ChooseQuickInstallTarget(slot);
  if (target.letter.empty()) {
    ShowMessage(L"找不到合适还原的分区！\n" + NoQuickInstallTargetReason(slot), mbox::IconExclamation);
    return;
  }
  const GhostJob job{slot, target.letter, 0, 1};
  if (JobRefused(job)) return;
  std::wstring question =
      Format(L"确定将文件：%s 还原到%s盘（%s，%s）中么？\n这将会清空您%s盘的数据，还原前请将数据备份！", slot,
             target.letter, target.size, target.label, target.letter);
  if (ShowMessage(question, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes) return;
  RunJob(job);
}

void OneClickBackup() {
  if (PayloadMissing() || Refused(L"一键备份")) return;
  const GhostJob job{kOneClickImage, kOneClickDrive, 3, 0};
  if (JobRefused(job)) return;
  // The fixed C: may not be the partition the user means: its size and label are named.
  std::wstring question =
      WithFacts(Format(L"确定备份%s盘系统到文件%s中么？", kOneClickDrive, kOneClickImage), {DriveFacts(kOneClickDrive)});
  if (ShowMessage(question, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes) return;
  RunJob(job);
}

void OneClickRestore() {
  if (PayloadMissing() || Refused(L"一键还原")) return;
  // The image is looked at before the question, which tells which backup it is.
  const std::wstring imageFacts = ImageFileFacts(kOneClickImage);
  if (imageFacts.empty()) {
    ShowMessage(Format(L"镜像文件：%s不存在！", kOneClickImage), mbox::IconExclamation);
    return;
  }
  const GhostJob job{kOneClickImage, kOneClickDrive, 3, 1};
  if (JobRefused(job)) return;
  std::wstring question =
      WithFacts(Format(L"确定还原镜像文件%s到%s盘中么？", kOneClickImage, kOneClickDrive),
                {DriveFacts(kOneClickDrive), imageFacts,
                 Format(L"这将会清空您%s盘的数据，还原前请将数据备份！", kOneClickDrive)});
  if (ShowMessage(question, mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes) return;
  RunJob(job);
}

void StartRemoteControl() {
  std::wstring path;
  if (!LocateFile(L"TeamViewer.exe", &path)) {
    ShowMessage(WithPath(L"在当前目录和所有逻辑分区的根目录下找不到远程控制端！", PathBesideProgram(L"TeamViewer.exe")),
                mbox::IconExclamation);
    return;
  }
  RunProgram(path, L"", false, true);
}

}  // namespace main_page
