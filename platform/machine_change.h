// Changes to the machine under way that the end of the Windows session must not cut.
#pragma once

#include <string>

// Why the session may not end now, as Windows shows it beside the program.
constexpr wchar_t kStagingUnderWay[] =
    L"正在配置下次启动时执行的任务，中途注销或关机会留下不完整的配置，请等待完成。";
constexpr wchar_t kDiskWriteUnderWay[] =
    L"正在写入磁盘，中途注销或关机会使该磁盘无法使用，请等待任务完成。";

// Marks a change under way for the length of its scope. Made on the window's thread,
// whose messages (the end of the session among them) are answered while it waits; an
// inner scope's reason holds until it ends.
class MachineChange {
 public:
  explicit MachineChange(const wchar_t* reason);
  ~MachineChange();
  MachineChange(const MachineChange&) = delete;
  MachineChange& operator=(const MachineChange&) = delete;

 private:
  const wchar_t* outer_;
};

// Why the session may not end now: the change under way, else a disk that a page's
// background job writes (diskWritten); empty when nothing speaks against it.
std::wstring SessionEndRefusal(bool diskWritten);
