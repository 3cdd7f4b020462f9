// The thin dialog framework: one base class over a dialog template, typed handlers,
// and a modal loop of our own so that dialogs can pre-translate their messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ui {

class Dialog {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally with the given owner (disabled meanwhile), centred on it;
  // the value given to EndDialog, or -1 when the window cannot be created or the dialog
  // is already open (it is brought to the front instead). Virtual, so that a dialog
  // whose run needs more (a worker waited for) gets it through a base reference too.
  virtual INT_PTR DoModal(HWND owner = nullptr);
  // Creates the dialog as a modeless child (the pages of the main window).
  bool Create(HWND parent);
  // Ends a modal run; the loop returns once the current message is handled.
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  int templateId() const { return templateId_; }
  bool IsModalRunning() const { return modal_ && !ending_; }
  // True for a dialog run by DoModal, false for a child made by Create (a page).
  bool IsModal() const { return modal_; }

  // The dialog object attached to a window of ours, or nullptr.
  static Dialog* FromHandle(HWND window);
  // Walks from the message's window up to the top-level dialog, giving each dialog of
  // ours on the way the chance to take the message; true when one took it.
  static bool PreTranslateChain(MSG& msg);

 protected:
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND; true when handled. Unhandled IDOK and IDCANCEL call OnOK / OnCancel.
  virtual bool OnCommand(int id, int code, HWND control);
  // WM_NOTIFY; result goes back through DWLP_MSGRESULT.
  virtual bool OnNotify(const NMHDR& header, LRESULT& result);
  // Any other message; true when handled, with its result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // WM_SHOWWINDOW, after which the dialog manager's default handling runs.
  virtual void OnShowWindow(bool show, int status);
  // Seen before the message is dispatched; true when it was taken. The base hands the
  // dialog's own input to the dialog manager (IsDialogMessage); overrides call it for
  // what they do not take themselves.
  virtual bool PreTranslateMessage(MSG& msg);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CentreOnOwner();

  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  bool ending_ = false;
  INT_PTR result_ = -1;
  HWND owner_ = nullptr;  // the owner that the modal run disabled, until it is enabled again
};

}  // namespace ui
