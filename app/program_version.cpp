// The program's version and the state of the DOS stage's payload.
#include "app/program_version.h"

#include "deploy/dos_stage.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "resources/version.h"

std::wstring ProgramVersion() {
  std::wstring version = GetFileVersionString(TheSeam().ModulePath());
  return version.empty() ? std::wstring(L"" RIGMATE_VERSION_TEXT) : version;
}

std::wstring PayloadStateLine() {
  return std::wstring(L"DOS 安装环境：") + (PayloadComplete() ? L"完整" : L"不完整");
}
