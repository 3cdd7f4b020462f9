// WorkerThread: start, state and the wait that keeps answering the thread's requests.
#include "ui/worker_thread.h"

#include <process.h>

#include <memory>
#include <utility>

#include "ui/thread_wait.h"

bool WorkerThread::Start(std::function<void()> body) {
  if (Running() || !body) return false;
  Wait();
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  unsigned id = 0;
  uintptr_t thread = _beginthreadex(nullptr, 0, &WorkerThread::Entry, owned.get(), 0, &id);
  if (!thread) return false;
  owned.release();   // the thread owns it now
  handle_.reset(reinterpret_cast<HANDLE>(thread));
  id_ = id;
  return true;
}

bool WorkerThread::Running() const { return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }

void WorkerThread::Wait(const std::function<void()>& onIdle) {
  if (!handle_) return;
  ui::WaitAnsweringSentMessages(handle_.get(), onIdle);
  handle_.reset();
  id_ = 0;
}

unsigned __stdcall WorkerThread::Entry(void* body) {
  std::unique_ptr<std::function<void()>> own(static_cast<std::function<void()>*>(body));
  (*own)();
  return 0;
}
