// The drivers and runtimes page's actions: the installer of each button, located and started.
#include "pages/toolbox/driver_page_actions.h"

#include <string>

#include "platform/message_text.h"
#include "platform/system.h"
#include "resources/driver_ids.h"

namespace driver_page {

const InstallerButton kButtons[kButtonCount] = {
    {IDC_DRIVER_GENUS_SINGLE, L"\\DRIVER_GENUS\\驱动精灵单文件版.exe"},
    {IDC_DRIVER_GENUS_STANDARD, L"\\DRIVER_GENUS\\驱动精灵标准版.exe"},
    {IDC_DRIVER_GENUS_NETWORK, L"\\DRIVER_GENUS\\驱动精灵网卡版.exe"},
    {IDC_DRIVER_PACK_WINXP, L"\\DRIVER\\WINXP\\[WinXP.x86]WanDrv6.exe"},
    {IDC_DRIVER_PACK_WIN7_32, L"\\DRIVER\\WIN732\\[Win7.x86]WanDrv6.exe"},
    {IDC_DRIVER_PACK_WIN7_64, L"\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe"},
    {IDC_DRIVER_PACK_WIN8_32, L"\\DRIVER\\WIN832\\[Win8.x86]WanDrv6.exe"},
    {IDC_DRIVER_PACK_WIN8_64, L"\\DRIVER\\WIN864\\[Win8.x64]WanDrv6.exe"},
    {IDC_RUNTIME_VC_32, L"\\RUNTIME\\sckux86.exe"},
    {IDC_RUNTIME_VC_64, L"\\RUNTIME\\scku.exe"},
    {IDC_RUNTIME_NET_20_35, L"\\RUNTIME\\scmnet_23.exe"},
    {IDC_RUNTIME_NET_40, L"\\RUNTIME\\scku40.exe"},
    {IDC_RUNTIME_NET_45, L"\\RUNTIME\\scku45.exe"},
};

const wchar_t* TailOf(int id) {
  for (const InstallerButton& button : kButtons)
    if (button.id == id) return button.tail;
  return nullptr;
}

void StartInstaller(const wchar_t* tail) {
  std::wstring installer;
  const std::wstring relative = std::wstring(L"Rigmate") + tail;
  if (!LocateFile(relative, &installer)) {
    ShowMessage(WithPath(L"找不到相应的文件！", PathBesideProgram(relative)), mbox::Ok | mbox::IconExclamation);
    return;
  }
  RunProgram(installer, L"", false, true);
}

}  // namespace driver_page
