// Which partitions a restore must never write, whoever starts it: the main page's
// one-click roads and the command line ask the same question and get the same reason.
#pragma once

#include <cstdint>
#include <string>

namespace target_refusal {

// "D:" of a path that starts with a drive letter (upper case); empty otherwise.
std::wstring DriveOf(const std::wstring& path);

// A disk that leaves with its user (a USB disk, a memory card, removable media) is the
// medium the technician brought, never the machine's system. A disk that does not say
// what it is counts as fixed.
bool IsPortableDisk(uint32_t disk);

// Inside a PE a restore overwrites the partition while this run still uses it: the PE's
// own system drive and the drive the program runs from. On a desktop the DOS stage writes
// after the restart, when neither is in use.
bool InUseByThisRun(const std::wstring& drive);

// Why a restore (action names it: "一键还原", "还原") may not write drive ("D:"): on a USB or
// removable disk, in use by this run, or, inside a PE, holding the image (imagePath; none
// when empty), which the restore would overwrite while reading it. Empty when nothing
// speaks against it.
std::wstring RestoreRefusal(const std::wstring& drive, const std::wstring& imagePath, const std::wstring& action);

}  // namespace target_refusal
