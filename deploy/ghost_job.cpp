// Ghost jobs: the dispatcher and the run of Ghost for Windows inside a PE.
#include "deploy/ghost_job.h"

#include "deploy/dos_stage.h"
#include "platform/format.h"
#include "platform/pe_flag.h"
#include "platform/system.h"

std::wstring GhostWindowsCommand(const std::wstring& ghostPath, const GhostJob& job) {
  if (job.restore == 1)
    return Format(L"%s -noide -nousb -clone,mode=pload,src=\"%s:1\",dst=%s -crcignore -sure", ghostPath,
                  job.imagePath, job.target);
  return Format(L"%s -noide -nousb -clone,mode=pdump,src=%s,dst=\"%s\" -z%d -crcignore -sure", ghostPath,
                job.target, job.imagePath, job.compression);
}

int RunGhostJob(GhostJob job) {
  bool exists = PathExists(job.imagePath);
  if (job.restore == 1 && !exists) {
    ShowMessage(L"镜像文件：" + job.imagePath + L"不存在！", mbox::Ok | mbox::IconExclamation);
    return ghost_result::NotFound;
  }
  if (job.restore != 1 && exists &&
      ShowMessage(L"文件：" + job.imagePath + L"已经存在！是否覆盖？", mbox::YesNo | mbox::IconQuestion) !=
          mbox::IdYes)
    return ghost_result::Declined;
  return g_bInPE ? RunGhostInPE(job) : StageGhostJob(job);
}

int RunGhostInPE(GhostJob job) {
  std::wstring ghost;
  if (!LocateFile(L"GHOST32.EXE", &ghost)) {
    ShowMessage(L"找不到ghost32.exe，请将ghost32.exe放到本软件目录下或者任一分区根目录下。",
                mbox::Ok | mbox::IconExclamation);
    return ghost_result::NotFound;
  }
  std::wstring command = GhostWindowsCommand(ghost, job);
  // Hidden, the window takes no input while this thread waits for Ghost.
  TheSeam().SetMainWindowVisible(false);
  int exitCode = RunProgram(ghost, command, true, true);
  TheSeam().SetMainWindowVisible(true);
  if (exitCode != 0) {
    ShowMessage(L"GHOST出错！", mbox::Ok | mbox::IconExclamation);
    return ghost_result::Failed;
  }
  return ghost_result::Done;
}
