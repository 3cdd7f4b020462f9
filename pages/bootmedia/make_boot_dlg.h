// MakeBootDlg: the USB boot disk page ("制作启动盘"). It owns the boot-disk configuration,
// which its two configuration dialogs edit in place for the run.
#pragma once

#include <memory>

#include "ui/kxdialog.h"
#include "pages/bootmedia/boot_disk_actions.h"
#include "resources/resource.h"

class CopyDataDlg;
class MakeConfigDlg;

class MakeBootDlg : public KXDialog, public boot_disk::BootDiskConfig {
 public:
  MakeBootDlg();
  ~MakeBootDlg() override;

  void OnFirstShow() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool PreTranslateMessage(MSG& msg) override;

 private:
  static UINT MakeBootThread(LPVOID param);
  void OnMake();
  void OnRestore();
  void OnCopyData();
  void OnMakeConfig();
  std::wstring SelectedEntry() const;
  bool ForceFormat() const;

  HWND m_toolTip = nullptr;
  // Made at the first click, kept until the program ends.
  std::unique_ptr<CopyDataDlg> m_copyDataDlg;
  std::unique_ptr<MakeConfigDlg> m_makeConfigDlg;
  boot_disk::RestoreRunner m_restore;
};
