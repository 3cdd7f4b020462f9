// CopyDataDlg ("配置导入数据"): which prepared system images and which data folders a new
// boot disk receives, and the search for the images. One object serves the whole run.
#pragma once

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "resources/resource.h"

class MakeBootDlg;

class CopyDataDlg : public KXDialog {
 public:
  explicit CopyDataDlg(MakeBootDlg* owner) : KXDialog(IDD_COPY_DATA), m_pOwner(owner) {}

  void OnFirstShow() override;

  // The folder choices, kept between openings (0 until first confirmed).
  int m_bImportData = 0;
  int m_bCopyDriver = 0;
  int m_bCopyTools = 0;
  int m_bCopyVideo = 0;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  void OnOK() override;

 private:
  void SearchSystems();
  // The row's image was found by the last search.
  bool ImageFound(int row) const;

  MakeBootDlg* m_pOwner;
  CReportCtrl m_list;
};
