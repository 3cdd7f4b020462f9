// Runs a dialog of the program modally under test and plays steps on its window thread.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "tests/win/modal_deadline.h"
#include "ui/dialog.h"

// Runs a dialog modally and plays steps on its own thread, one per timer tick. A tick
// comes only when no posted message waits, so input posted by a step has been handled
// when the next step runs. A step may open a nested modal loop (the About box): the
// steps go on inside it. The deadline ends a run whose steps got stuck.
class StepRunner {
 public:
  using Step = std::function<void(HWND)>;

  INT_PTR Run(ui::Dialog& dialog, std::vector<Step> steps) {
    dialog_ = &dialog;
    steps_ = std::move(steps);
    next_ = 0;
    current_ = this;
    ModalDeadline deadline(&dialog, 20000);
    UINT_PTR timer = SetTimer(nullptr, 0, 15, &StepRunner::Tick);
    INT_PTR result = dialog.DoModal(nullptr);
    KillTimer(nullptr, timer);
    current_ = nullptr;
    EXPECT_FALSE(deadline.expired()) << "the steps did not finish";
    EXPECT_EQ(next_, steps_.size()) << "the dialog ended before its last step";
    return result;
  }

  // A step that holds the next ones back until the condition holds (at most the run's
  // deadline): for what other threads finish, such as a worker behind a nested dialog.
  static Step WaitUntil(std::function<bool()> condition) {
    return [condition](HWND) {
      if (!condition()) current_->again_ = true;
    };
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    StepRunner* self = current_;
    if (!self || !self->dialog_->hwnd()) return;
    if (self->next_ == self->steps_.size()) {
      if (self->dialog_->IsModalRunning()) self->dialog_->EndDialog(IDABORT);
      return;
    }
    size_t step = self->next_++;  // before the call: the step may tick again inside it
    self->again_ = false;
    self->steps_[step](self->dialog_->hwnd());
    if (self->again_ && self->next_ == step + 1) self->next_ = step;
  }

  static inline StepRunner* current_ = nullptr;
  ui::Dialog* dialog_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  bool again_ = false;
};

