// A deadline for modal dialogs under test: ends the modal run and raises an abort event,
// so that a test whose closer failed fails instead of hanging the run.
#pragma once

#include <windows.h>

#include "ui/dialog.h"

class ModalDeadline {
 public:
  static constexpr INT_PTR kExpired = -77;

  ModalDeadline(ui::Dialog* dialog, UINT milliseconds) : dialog_(dialog) {
    abort_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    current_ = this;
    timer_ = SetTimer(nullptr, 0, milliseconds, &ModalDeadline::Expire);
  }
  ~ModalDeadline() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
    CloseHandle(abort_);
  }
  ModalDeadline(const ModalDeadline&) = delete;
  ModalDeadline& operator=(const ModalDeadline&) = delete;

  // Signalled when the deadline passed: workers under test stop waiting on it.
  HANDLE abort() const { return abort_; }
  bool expired() const { return expired_; }

 private:
  static void CALLBACK Expire(HWND, UINT, UINT_PTR, DWORD) {
    ModalDeadline* self = current_;
    if (!self || self->expired_) return;
    self->expired_ = true;
    SetEvent(self->abort_);
    self->dialog_->EndDialog(kExpired);
  }

  static inline ModalDeadline* current_ = nullptr;
  ui::Dialog* dialog_;
  HANDLE abort_ = nullptr;
  UINT_PTR timer_ = 0;
  bool expired_ = false;
};
