// The device instance path of a physical disk, from the plug-and-play manager.
#pragma once

#include <string>

// "USBSTOR\DISK&VEN_...\<serial>&0" of \\.\PhysicalDrive<disk>; empty when the system
// lists no disk device of that number (Wine lists none).
std::wstring DiskInstancePath(int disk);
