// SearchDlg: the "搜索GHO文件" dialog of the backup and restore page, which searches
// the drives for Ghost images and hands a double-clicked one to the page's image-path box.
#pragma once

#include "ui/kxdialog.h"
#include "resources/resource.h"

class SearchDlg : public KXDialog {
 public:
  // page: the backup and restore page, whose box IDC_SEARCH_TARGET_PATH receives the
  // chosen path. One instance serves the whole run, so the depth and the found paths
  // (the disk model's foundPaths) survive from one opening to the next.
  explicit SearchDlg(HWND page);

  // Runs modally, owned by the page's top-level window, which is disabled meanwhile.
  INT_PTR DoModal();

  int depth() const { return m_nDepth; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnShowWindow(bool show, int status) override;
  // Enter on the result list chooses the selected path (and never searches); elsewhere
  // it is the default button's, "搜索".
  bool OnEnterKey(HWND focus) override;

 private:
  void Search();
  void ChooseSelected();
  void ShowFoundPaths();

  HWND page_;
  int m_nDepth;   // the depth last accepted, 1..10
};
