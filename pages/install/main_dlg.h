// The main page: system facts and the one-click actions (quick install, backup,
// restore, remote control).
#pragma once

#include "ui/kxdialog.h"
#include "pages/install/main_page_actions.h"
#include "resources/resource.h"

class MainDlg : public KXDialog {
 public:
  MainDlg() : KXDialog(IDD_MAIN_PAGE) {}

  // The image found for each quick-install button after start-up (empty: none).
  const main_page::QuickInstallSlots& Slots() const { return slots_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool PreTranslateMessage(MSG& msg) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void ShowSystemFacts();
  void CreateToolTips();
  void FindQuickInstallImages();

  static constexpr UINT_PTR kFindImagesTimer = 1;

  main_page::QuickInstallSlots slots_;
  HWND toolTip_ = nullptr;
  bool imagesFound_ = false;
};
