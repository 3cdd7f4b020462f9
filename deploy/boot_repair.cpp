// The boot-file repair with bcdboot.
#include "deploy/boot_repair.h"

#include "deploy/wow64_redirection.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/system.h"

bool RepairBootFiles(const std::wstring& target) {
  Wow64FsRedirection redirection;
  redirection.Disable();
  int exitCode = RunSystemTool(BcdbootCommand(target), true, false);
  redirection.Revert();
  redirection.Release();
  return exitCode == 0;
}

std::wstring BcdbootCommand(const std::wstring& target) {
  const std::wstring command = Format(L"bcdboot.exe %s\\windows /L %s", target, L"ZH-CN");
  const std::wstring system = SystemPartitionOf(target);
  return system.empty() ? command : command + L" /s " + system;
}

std::wstring SystemPartitionOf(const std::wstring& target) {
  const _PARTITIONS partition = TheDisk().GetPartitionByLetter(target);
  if (partition.letter.empty()) return target;
  if (partition.layout.PartitionStyle == layout::kStyleGpt) return std::wstring();
  for (const _PARTITIONS& each : TheDisk().partitions)
    if (each.diskIndex == partition.diskIndex && !each.letter.empty() &&
        each.layout.PartitionStyle == layout::kStyleMbr && each.layout.Mbr.BootIndicator)
      return each.letter;
  return target;
}
