// Which partitions hold no user's Windows by their kind: factory recovery and OEM tool
// partitions, hibernation partitions and the small boot partitions.
#pragma once

#include <string>

#include "platform/drive_layout.h"

// By the layout entry's type (MBR type byte, GPT type and attributes) or by a label that
// makers and Windows Setup give them (RECOVERY, HP_TOOLS, System Reserved…). A PE letters
// them as it letters the rest, so none of them is told apart by its letter.
bool IsFactoryOrBootPartition(const PartitionInfoEx& entry, const std::wstring& label);
