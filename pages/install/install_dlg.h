// The backup and restore page: a partition, an image path and a mode (restore, Ghost
// backup, WIM backup), run by "执行"; and the external installer.
#pragma once

#include <memory>

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "pages/install/install_page_actions.h"
#include "pages/install/search_dlg.h"
#include "resources/resource.h"

class InstallDlg : public KXDialog {
 public:
  InstallDlg() : KXDialog(IDD_INSTALL_PAGE) {}

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void FillPartitionList();
  // The mode from the radio group (the page's data exchange).
  void ReadMode();
  void Browse();
  void ShowSearch();
  void Run();

  // The partition icons are the disk model's volume image list, shared (not owned).
  CReportCtrl m_listPartition;
  HWND m_comboCompress = nullptr;
  int m_nMode = install_page::kRestore;
  HWND m_comboImagePath = nullptr;
  HWND m_btnReboot = nullptr;
  // Made on first use and kept for the run, so that its depth and findings stay.
  std::unique_ptr<SearchDlg> m_searchDlg;
};
