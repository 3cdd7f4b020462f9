// The progress of a long operation on the program's taskbar button (ITaskbarList3),
// where Windows offers it (Windows 7 and later); elsewhere every call does nothing.
#pragma once

#include <windows.h>

struct ITaskbarList3;

class TaskbarProgress {
 public:
  TaskbarProgress() = default;
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // Shows the progress on the button of the window that owns `window` at the top (the
  // main window, whose button a modal dialog shares). Call on the window's thread.
  void Attach(HWND window);
  // 0..100. Only a change reaches the taskbar: workers post their position far more
  // often than it moves, and each call is a round trip to the shell.
  void Set(int percent);
  void Failed();           // the bar turns red and stays at its place
  void Clear();            // the button shows no progress any more

 private:
  ITaskbarList3* list_ = nullptr;
  HWND button_ = nullptr;
  bool comStarted_ = false;
  int shown_ = -1;          // the value on the button in the normal state; -1: none
};
