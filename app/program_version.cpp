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

std::wstring PayloadMissingText() {
  if (PayloadComplete()) return std::wstring();
  return L"桌面环境下的 GHO 任务（快速装机、一键备份、一键还原，以及备份还原页和命令行的 GHO 还原与备份）"
         L"都会被拒绝，只能在 PE 中执行（PE 中由 GHOST32.EXE 直接完成）；WIM 任务不受影响。\n"
         L"打包者须在编译时用 RIGMATE_PAYLOAD_DIR 指定一个文件夹，其中放入：\n"
         L"  floppy\\：软盘映像根目录中的全部文件：IO.SYS、COMMAND.COM、HIMEM.SYS、UMBPCI.SYS、XMSMAN.EXE、"
         L"HDPMI32.EXE、NDOS.EXE、CTMOUSE.EXE、SHSURDRV.EXE、SM.EXE、RESTART.COM、SHUTDOWN.COM、FDAPM.COM、"
         L"ATTRIB.COM、XCOPY.EXE、GHOST.EXE 和 NLS 文件夹；\n"
         L"  bootsect.bin：软盘的 DOS 引导扇区（512 字节）；\n"
         L"  kxldr：引导程序（带 resources\\payload\\menu.lst 的菜单）；\n"
         L"  kxldr.mbr：找到并启动 kxldr 的引导扇区程序。";
}
