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
  // Keys: a page never closes or presses its default button on Enter or Esc, but a
  // control that takes them itself gets them (an open drop-down list, a link), Enter
  // presses a focused push button, and Tab leaves the page at its ends. A modal
  // dialog takes Enter as its default button and Esc as Cancel, as Windows dialogs do.
  bool PreTranslateMessage(MSG& msg) override;
  void OnShowWindow(bool show, int status) override;
  // Enter on a control that is not a push button (the search box of a page, a list
  // whose row Enter opens); true when the dialog acted on it. In a modal dialog, false
  // lets the dialog manager press the default button.
  virtual bool OnEnterKey(HWND /*focus*/) { return false; }

  bool m_bFirstShow = true;

 private:
  bool PageEnterOrEscape(MSG& msg);
  bool ModalEnterTaken(MSG& msg);
};
