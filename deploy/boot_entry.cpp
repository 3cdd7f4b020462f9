// Boot entries for the DOS stage in the BCD store or BOOT.INI.
#include "deploy/boot_entry.h"

#include <initializer_list>

#include "deploy/boot_ini_text.h"
#include "deploy/wow64_redirection.h"
#include "platform/format.h"
#include "platform/system.h"

namespace {

const wchar_t kBootIni[] = L"C:\\BOOT.INI";
const wchar_t kBootIniCopy[] = L"C:\\BOOT.INIKX";

void Tell(const wchar_t* text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

// Windows' programs run hidden and waited for; true when they end with exit code 0.
bool Run(const std::wstring& commandLine) { return RunCommandLine(commandLine, true, false) == 0; }

void ShowBootIniAttributes(bool shown) {
  Run(shown ? L"attrib.exe -S -H -R C:\\BOOT.INI" : L"attrib.exe +S +H +R C:\\BOOT.INI");
}

}  // namespace

std::wstring NewGuidText() {
  Guid g;
  if (!TheSeam().NewGuid(&g)) return L"";
  return Format(L"{%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X} ", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                g.data4[7]);
}

bool UsesBootIni(int osMajorVersion) { return osMajorVersion >= 0 && osMajorVersion < 6; }

bool AddBcdEntry() {
  Wow64FsRedirection redirection;
  redirection.Disable();
  std::wstring guid = NewGuidText();
  std::wstring drive = GetSystemDrive();
  std::wstring backup = drive + L"\\boot\\BCDKX";
  // Without a GUID the commands below would name no entry; without the export there
  // is nothing to undo with.
  bool ok = !guid.empty() && !drive.empty() && Run(Format(L"bcdedit.exe /export \"%s\"", backup));
  if (ok) {
    for (const std::wstring& command :
         {Format(L"bcdedit.exe /create %s /d \"Korvex数码 一键装机\" /application bootsector", guid),
          Format(L"bcdedit.exe /set %s device partition=%s", guid, drive),
          Format(L"bcdedit.exe /set %s path \\kxldr.mbr", guid),
          Format(L"bcdedit.exe /displayorder %s /addlast", guid),
          Format(L"bcdedit.exe /default %s", guid)}) {
      if (!Run(command)) {
        Run(Format(L"bcdedit.exe /import \"%s\"", backup));
        ok = false;
        break;
      }
    }
  }
  redirection.Revert();
  redirection.Release();
  return ok;
}

bool RestoreBcd() {
  Wow64FsRedirection redirection;
  redirection.Disable();
  bool ok = Run(Format(L"bcdedit.exe /import \"%s\"", GetSystemDrive() + L"\\boot\\BCDKX"));
  redirection.Revert();
  redirection.Release();
  if (!ok) Tell(L"恢复启动数据失败！");
  return ok;
}

bool AddBootIniEntry() {
  if (!PathExists(kBootIni)) {
    Tell(L"找不到BOOT.INI文件！");
    return false;
  }
  ShowBootIniAttributes(true);
  // From here on every failure puts the attributes back.
  if (!CopyPath(kBootIni, kBootIniCopy)) {
    Tell(L"备份BOOT.INI文件失败！");
    ShowBootIniAttributes(false);
    return false;
  }
  std::string bytes;
  if (!TheSeam().ReadWholeFile(kBootIni, &bytes)) {
    Tell(L"打开BOOT.INI文件失败！");
    ShowBootIniAttributes(false);
    return false;
  }
  std::wstring text = TheSeam().AnsiToWide(bytes);
  Tell(text.c_str());
  if (!EditBootIniText(&text)) {
    Tell(L"无法解析BOOT.INI文件！");
    ShowBootIniAttributes(false);
    return false;
  }
  Tell(text.c_str());
  if (!TheSeam().RewriteFile(kBootIni, TheSeam().WideToAnsi(text))) {
    // A write that failed half-way may have left the file cut: the saved copy replaces it.
    TheSeam().CopyOneFile(kBootIniCopy, kBootIni);
    Tell(L"写入BOOT.INI文件失败！");
    ShowBootIniAttributes(false);
    return false;
  }
  ShowBootIniAttributes(false);
  return true;
}

bool RestoreBootIni() {
  if (!PathExists(kBootIni)) {
    Tell(L"找不到BOOT.INI文件！");
    return false;
  }
  if (!PathExists(kBootIniCopy)) {
    Tell(L"找不到BOOTKX.INI文件！");
    return false;
  }
  ShowBootIniAttributes(true);
  TheSeam().RemoveFile(kBootIni);
  bool ok = CopyPath(kBootIniCopy, kBootIni);
  ShowBootIniAttributes(false);
  if (!ok) Tell(L"恢复BOOT.INI文件失败！");
  return ok;
}
