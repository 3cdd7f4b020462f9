// WorkerThread: a thread that a window starts and owns (its handle closed exactly once),
// and waits for without blocking what the thread asks of the windows meanwhile.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/win_handle.h"

class WorkerThread {
 public:
  WorkerThread() = default;
  // A thread still running is waited for: what it uses belongs to the owner.
  ~WorkerThread() { Wait(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs body on a new thread; false when one still runs or none could be started.
  bool Start(std::function<void()> body);
  bool Started() const { return handle_.valid(); }   // and not waited for yet
  bool Running() const;
  DWORD Id() const { return id_; }
  // Waits until the thread has ended (answering messages sent to this thread's windows,
  // and running onIdle every tenth of a second while none come), then lets its handle go.
  void Wait(const std::function<void()>& onIdle = {});

 private:
  static unsigned __stdcall Entry(void* body);

  KernelHandle handle_;
  DWORD id_ = 0;
};
