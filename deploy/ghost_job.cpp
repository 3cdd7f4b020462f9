// Ghost jobs: the dispatcher and the run of Ghost for Windows inside a PE.
#include "deploy/ghost_job.h"

#include "deploy/dos_stage.h"
#include "platform/format.h"
#include "platform/machine_change.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

namespace {

// No wildcard, and no folder: the path names one file or none.
bool NamesAtMostOneFile(const std::wstring& path) {
  FileEntry found;
  return path.find_first_of(L"*?") == std::wstring::npos && !(TheSeam().FindFile(path, &found) && found.isFolder);
}

}  // namespace

// The folder a backup writes into: Ghost and the imaging library create the image file, not the folders above it.
bool ImageFolderExists(const std::wstring& path) {
  const std::wstring folder = path.substr(0, path.rfind(L'\\'));
  FileEntry found;
  return folder.size() == 2 ? PathExists(folder) : TheSeam().FindFile(folder, &found) && found.isFolder;
}


std::wstring GhostWindowsCommand(const std::wstring& ghostPath, const GhostJob& job) {
  // A folder with a blank would split Ghost's own path into two arguments.
  std::wstring program = ghostPath.find(L' ') == std::wstring::npos ? ghostPath : L"\"" + ghostPath + L"\"";
  if (job.restore == 1)
    return Format(L"%s -noide -nousb -clone,mode=pload,src=\"%s:1\",dst=%s -crcignore -sure", program,
                  job.imagePath, job.target);
  return Format(L"%s -noide -nousb -clone,mode=pdump,src=%s,dst=\"%s\" -z%d -crcignore -sure", program,
                job.target, job.imagePath, job.compression);
}

bool IsAbsoluteImagePath(const std::wstring& path) {
  const wchar_t letter = path.empty() ? L'\0' : path[0];
  return path.size() >= 4 && ((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

std::wstring ImagePathRefusal(const std::wstring& path) {
  if (IsAbsoluteImagePath(path)) return std::wstring();
  return Format(GhostOutcomeText(GhostCode::NotAbsolute), path);
}

bool IsFailure(GhostCode code) {
  return code == GhostCode::GhostFailed || code == GhostCode::BootNotRepaired || code == GhostCode::StagingFailed ||
         code == GhostCode::BootEntryFailed;
}

const wchar_t* GhostOutcomeText(GhostCode code) {
  switch (code) {
    case GhostCode::NotAbsolute: return L"镜像文件：%s不是带盘符的完整路径（如 D:\\GHO\\WIN7.GHO），请重新选择！";
    case GhostCode::ImageMissing: return L"镜像文件：%s不存在！";
    case GhostCode::NotOneFile: return L"文件：%s不是有效的镜像文件名！";
    case GhostCode::FolderMissing: return L"镜像文件：%s所在的文件夹不存在，请重新选择！";
    case GhostCode::ImageOnTarget: return L"镜像文件位于要还原的分区上，还原时会被覆盖，请将镜像文件放到其他分区！";
    case GhostCode::GhostMissing: return L"找不到ghost32.exe，请将ghost32.exe放到本软件目录下或者任一分区根目录下。";
    case GhostCode::GhostFailed: return L"GHOST出错！";
    case GhostCode::BootNotRepaired: return L"修复启动项出错！";
    case GhostCode::Done:
    case GhostCode::Staged:
    case GhostCode::Declined:
    case GhostCode::StagingFailed:
    case GhostCode::StagingRefused:
    case GhostCode::BootEntryFailed:
      break;
  }
  return L"";
}

GhostOutcome GhostEnd(GhostCode code, const GhostJob& job) {
  return GhostOutcome{code, Format(GhostOutcomeText(code), job.imagePath)};
}

bool GhostJobRefused(const GhostJob& job, GhostOutcome* refusal) {
  auto refuse = [refusal](const GhostOutcome& outcome) {
    *refusal = outcome;
    return true;
  };
  if (!IsAbsoluteImagePath(job.imagePath)) return refuse(GhostEnd(GhostCode::NotAbsolute, job));
  bool oneFile = NamesAtMostOneFile(job.imagePath);
  if (job.restore == 1 && !(oneFile && PathExists(job.imagePath))) return refuse(GhostEnd(GhostCode::ImageMissing, job));
  if (!oneFile) return refuse(GhostEnd(GhostCode::NotOneFile, job));
  if (!g_bInPE) {
    const DosStagePlan plan = CheckDosStage(job);
    if (plan.Refused()) return refuse(plan.refusal);
  } else {
    // Ghost would overwrite the image while it reads it.
    if (job.restore == 1 && job.imagePath.size() >= 2 && job.target.size() >= 2 &&
        ContainsText(job.imagePath.substr(0, 2), job.target.substr(0, 2), false))
      return refuse(GhostEnd(GhostCode::ImageOnTarget, job));
    std::wstring ghost;
    if (!LocateFile(L"GHOST32.EXE", &ghost)) return refuse(GhostEnd(GhostCode::GhostMissing, job));
  }
  // A backup into a folder that is not there fails only once Ghost runs (in DOS, after the restart).
  if (job.restore != 1 && !ImageFolderExists(job.imagePath)) return refuse(GhostEnd(GhostCode::FolderMissing, job));
  return false;
}

GhostOutcome RunGhostJob(GhostJob job) {
  GhostOutcome refusal;
  if (GhostJobRefused(job, &refusal)) return refusal;
  if (job.restore != 1 && PathExists(job.imagePath) &&
      ShowMessage(L"文件：" + job.imagePath + L"已经存在！是否覆盖？",
                  mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) !=
          mbox::IdYes)
    return GhostEnd(GhostCode::Declined, job);
  // Until Ghost has ended or the staging is complete (or undone), ending the session
  // would leave a half-written partition or half a staging.
  MachineChange underWay(g_bInPE ? kDiskWriteUnderWay : kStagingUnderWay);
  return g_bInPE ? RunGhostInPE(job) : StageGhostJob(job);
}

GhostOutcome RunGhostInPE(GhostJob job) {
  std::wstring ghost;
  if (!LocateFile(L"GHOST32.EXE", &ghost)) return GhostEnd(GhostCode::GhostMissing, job);
  std::wstring command = GhostWindowsCommand(ghost, job);
  // Hidden, the window takes no input while this thread waits for Ghost.
  TheSeam().SetMainWindowVisible(false);
  int exitCode = RunProgram(ghost, command, true, true);
  TheSeam().SetMainWindowVisible(true);
  return GhostEnd(exitCode != 0 ? GhostCode::GhostFailed : GhostCode::Done, job);
}
