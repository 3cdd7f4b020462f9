// The boot-file repair after a restore: bcdboot rebuilds the boot files of the Windows
// that an image has just put on a partition, for the WIM road and the Ghost road alike.
#pragma once

#include <string>

// The boot-file repair after an apply or a restore onto target ("D:"), naming the
// system partition of the target's disk when there is one to name.
std::wstring BcdbootCommand(const std::wstring& target);
// Where the BIOS starts the target's Windows from: the lettered active partition of its
// MBR disk, else the target itself. Left to bcdboot, the system partition would be the
// firmware's, which is the stick when a PE was started from one. Empty on a GPT disk,
// whose system partition (the EFI one) the firmware names and has no letter.
std::wstring SystemPartitionOf(const std::wstring& target);
// Rebuilds the boot files of the Windows on target with bcdboot (WOW64 redirection off
// around it); false when bcdboot fails or cannot start.
bool RepairBootFiles(const std::wstring& target);
