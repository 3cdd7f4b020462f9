// The main page: system facts and the one-click actions (quick install, backup,
// restore, remote control).
#pragma once

#include "ui/kxdialog.h"
#include "pages/install/main_page_actions.h"
#include "resources/resource.h"

class MainDlg : public KXDialog {
 public:
  MainDlg() : KXDialog(IDD_MAIN_PAGE) {}

  // The image found for each quick-install button at start-up (empty: none).
  const main_page::QuickInstallSlots& Slots() const { return slots_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool PreTranslateMessage(MSG& msg) override;

 private:
  void ShowSystemFacts();
  void CreateToolTips();

  main_page::QuickInstallSlots slots_;
  HWND toolTip_ = nullptr;
};
