// Changes to the machine under way: the innermost scope's reason.
#include "platform/machine_change.h"

#include <atomic>

namespace {
std::atomic<const wchar_t*> underWay{nullptr};
}

MachineChange::MachineChange(const wchar_t* reason) : outer_(underWay.exchange(reason)) {}

MachineChange::~MachineChange() { underWay.store(outer_); }

std::wstring SessionEndRefusal(bool diskWritten) {
  if (const wchar_t* reason = underWay.load()) return reason;
  return diskWritten ? kDiskWriteUnderWay : L"";
}
