// Where the main page's restores may write: the quick-install target and the one-click drive check.
#pragma once

#include <string>
#include <vector>

namespace main_page {

// The drive roots as the system lists them: "C:\", "D:\"… in its order, at most 64.
std::vector<std::wstring> DriveRoots();

// A lettered partition that a restore may overwrite.
struct RestoreTarget {
  std::wstring letter;   // "D:"; empty when no partition qualifies
  std::wstring size;     // "%.2f GB"
  std::wstring label;    // "本地磁盘" for a volume without label
};

// The partition a quick install of this image restores onto. Only lettered MBR or GPT
// partitions of fixed disks qualify that are at least as large as the image; inside a
// PE, where Ghost writes at once, neither the image's partition, the PE's own system
// drive nor the program's drive (on a desktop the staging moves the image off its
// target), nor a recovery, tool or boot partition. Among them the running Windows
// (desktop), then one holding a Windows installation, then the active partition of the
// lowest-numbered disk that has one, then the first letter.
RestoreTarget ChooseQuickInstallTarget(const std::wstring& image);
// Why no partition qualified for the image, in the user's words: what a target must be,
// the image, and each lettered drive with what rules it out.
std::wstring NoQuickInstallTargetReason(const std::wstring& image);

// The message that refuses a one-click action (its name, "一键还原"…) on this fixed
// drive: one on a USB or removable disk; inside a PE one in use by this run, a recovery,
// tool or boot partition, or one without Windows while another partition holds one.
// Empty when nothing speaks against it.
std::wstring OneClickRefusal(const std::wstring& drive, const std::wstring& action);

}  // namespace main_page
