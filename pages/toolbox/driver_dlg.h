// The drivers and runtimes page: a button per driver tool, driver pack and runtime installer.
#pragma once

#include "ui/kxdialog.h"
#include "resources/resource.h"

class DriverDlg : public KXDialog {
 public:
  DriverDlg() : KXDialog(IDD_DRIVER_PAGE) {}

 protected:
  bool OnCommand(int id, int code, HWND control) override;
};
