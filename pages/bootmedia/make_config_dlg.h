// MakeConfigDlg ("工具与存档"): the paths of FbinstPlus and of the boot archive. One object
// serves the whole run.
#pragma once

#include <string>

#include "ui/kxdialog.h"
#include "resources/resource.h"

class MakeBootDlg;

class MakeConfigDlg : public KXDialog {
 public:
  explicit MakeConfigDlg(MakeBootDlg* owner) : KXDialog(IDD_MAKE_CONFIG), m_pOwner(owner) {}

  std::wstring m_strFbinstPath;
  std::wstring m_strArchivePath;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;

 private:
  void ShowMembers();
  // The open-file dialog with one filter; true and the full path when the user confirms.
  bool Browse(const wchar_t* filter, std::wstring* path);

  MakeBootDlg* m_pOwner;
};
