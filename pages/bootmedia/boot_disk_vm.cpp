// The test boot of a stick in QEMU.
#include "pages/bootmedia/boot_disk_vm.h"

#include "pages/bootmedia/boot_disk_actions.h"
#include "platform/format.h"
#include "platform/system.h"

namespace boot_disk {

namespace {

void Exclaim(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

}  // namespace

std::wstring FindQemu() {
  for (const wchar_t* program : {L"qemu-system-x86_64.exe", L"qemu-system-i386.exe"}) {
    std::wstring path;
    if (LocateFile(Format(L"%s\\%s", kQemuFolder, program), &path)) return path;
  }
  return std::wstring();
}

std::wstring TestBootCommandLine(const std::wstring& qemuPath, int disk) {
  return Format(L"\"%s\" -m 1024 -drive file=\\\\.\\PhysicalDrive%d,format=raw,media=disk,snapshot=on -boot c",
                qemuPath, disk);
}

bool TestBootDisk(const std::wstring& entry, const DeviceChoice* choice) {
  const std::wstring qemu = FindQemu();
  if (qemu.empty()) {
    Exclaim(kNoQemu);
    return false;
  }
  // The same disks as for a make: a listed disk, never the system disk.
  std::wstring refusal = MakeRefusal(1, DiskNumberOfEntry(entry));
  if (refusal.empty() && !choice) refusal = L"请选择一个磁盘！";
  if (!refusal.empty()) {
    Exclaim(refusal);
    return false;
  }
  if (RunProgram(qemu, TestBootCommandLine(qemu, choice->identity.disk), false, true) != 0) {
    Exclaim(Format(L"启动%s失败！", qemu));
    return false;
  }
  return true;
}

}  // namespace boot_disk
