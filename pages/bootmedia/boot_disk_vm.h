// "测试启动盘": a look at the chosen stick booted in a virtual machine (QEMU from the data
// folder), read-only: the disk is QEMU's raw drive in snapshot mode.
#pragma once

#include <string>

#include "pages/bootmedia/boot_disk_devices.h"

namespace boot_disk {

constexpr wchar_t kQemuFolder[] = L"Rigmate\\DATA\\QEMU";
constexpr wchar_t kNoQemu[] =
    L"找不到虚拟机QEMU！请把qemu-system-i386.exe或qemu-system-x86_64.exe（连同它的文件）放进"
    L"Rigmate\\DATA\\QEMU文件夹：程序旁边的，或任一磁盘根目录下的。";

// The QEMU program of the data folder (the 64-bit one first: it boots 32-bit systems
// too), found as the data files are: beside the program, then in each drive root. Empty
// when there is none.
std::wstring FindQemu();
// QEMU boots the whole disk as its first hard disk. In snapshot mode its writes go to a
// temporary file and the disk is only read.
std::wstring TestBootCommandLine(const std::wstring& qemuPath, int disk);
// The button: refusals, then QEMU started and not waited for (it runs beside the
// program). Tells the user itself; true when QEMU was started.
bool TestBootDisk(const std::wstring& entry, const DeviceChoice* choice);

}  // namespace boot_disk
