// KXDialog: the base of every page and of the program's own dialogs, and the PE flag.
#pragma once

#include "ui/dialog.h"
#include "platform/pe_flag.h"

class KXDialog : public ui::Dialog {
 public:
  explicit KXDialog(int templateId) : ui::Dialog(templateId) {}

  // Runs once, when the window is first shown (or, for a page created hidden, when
  // its tab is first selected).
  virtual void OnFirstShow() {}
  // True until the first show has run the hook.
  bool FirstShowPending() const { return m_bFirstShow; }

  // What runs in the background of this page, for the main window's close question.
  enum class BackgroundJob { None, Runs, WritesDisk };
  virtual BackgroundJob RunningJob() const { return BackgroundJob::None; }

 protected:
  // Enter and Esc never press a default button or cancel a page or dialog of ours.
  bool PreTranslateMessage(MSG& msg) override;
  void OnShowWindow(bool show, int status) override;

  bool m_bFirstShow = true;
};
