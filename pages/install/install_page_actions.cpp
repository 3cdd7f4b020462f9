// The backup and restore page's actions: partition rows, validation and the roads of "执行".
#include "pages/install/install_page_actions.h"

#include "deploy/dos_stage.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace install_page {

const wchar_t* const kCompressionNames[4] = {L"不压缩", L"快速压缩", L"高压缩", L"最高压缩"};

namespace {

constexpr unsigned kWarning = mbox::Ok | mbox::IconExclamation;

std::wstring DiskStyleText(uint32_t style) {
  if (style == layout::kStyleMbr) return L"MBR";
  if (style == layout::kStyleGpt) return L"GPT";
  return L"未知";
}

// The box of an engine's outcome; the user's own No needs none. A failed imaging call
// is not told here: the progress window shows why until the user closes it.
// A success takes the information icon: the warning's stays for failures, which say
// where the log of their steps is.
template <typename Code>
void Tell(const Outcome<Code>& outcome, bool success = false) {
  if (outcome.text.empty()) return;
  if (success) ShowMessage(outcome.text, mbox::Ok | mbox::IconInformation);
  else ShowMessage(IsFailure(outcome.code) ? WithLogPlace(outcome.text) : outcome.text, kWarning);
}

}  // namespace

std::vector<PartitionRow> PartitionRows() {
  std::vector<PartitionRow> rows;
  for (const _PARTITIONS& partition : TheDisk().partitions) {
    PartitionRow row;
    row.letter = partition.letter;
    row.number = backup_restore::PartitionNumberText(partition);
    if (!partition.letter.empty()) {
      row.label = partition.label;
      row.fileSystem = partition.fileSystem;
      row.freeSpace = partition.freeSpace;
      row.icon = partition.icon;
    }
    row.size = partition.size;
    row.diskStyle = DiskStyleText(partition.layout.PartitionStyle);
    rows.push_back(row);
  }
  return rows;
}

bool RunGhostOperation(const Request& request) {
  const GhostOutcome outcome = backup_restore::RunGhostSteps(request);
  Tell(outcome);
  if (outcome.code != GhostCode::Done && outcome.code != GhostCode::Staged) return false;
  if (request.restartAtOnce) RebootSystem();
  else PromptRestart();
  return true;
}

Road Execute(const Request& request, const WimPageHooks& hooks) {
  std::wstring refusal;
  Road road = RouteOf(request, &refusal);
  switch (road) {
    case Road::Refused:
      ShowMessage(refusal, kWarning);
      break;
    case Road::GhostBackup:
    case Road::GhostRestore:
      RunGhostOperation(request);
      break;
    case Road::WimCapture: {
      int compression = request.compression >= 0 && request.compression <= 3 ? request.compression : 0;
      const WimOutcome outcome = CaptureWimImage(request.imagePath, request.target, compression, hooks);
      if (outcome.code != WimCode::CaptureFailed) Tell(outcome, outcome.code == WimCode::Captured);
      break;
    }
    case Road::WimApply: {
      const WimOutcome outcome = ApplyWimImage(request.imagePath, request.target, hooks);
      if (outcome.code != WimCode::ApplyFailed) Tell(outcome, outcome.code == WimCode::Applied);
      break;
    }
  }
  return road;
}

}  // namespace install_page
