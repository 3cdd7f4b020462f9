// Waiting for a thread of our own on the window thread without ever blocking what the
// thread may ask of the windows in the meantime.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Waits until the thread ends, answering every message sent to this thread's windows
// meanwhile: a message box shown by the other thread disables its owner with a sent
// message, which a plain wait would never answer. While no such message comes, onIdle
// runs every tick milliseconds.
void WaitAnsweringSentMessages(HANDLE thread, const std::function<void()>& onIdle = {}, DWORD tick = 100);

// Answers every message box that the thread shows right now with its "否" or, where it
// has none, with its "确定" or cancel button, as a user would.
void DismissMessageBoxesOf(DWORD threadId);

}  // namespace ui
