// The drivers and runtimes page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class DriverDlg : public KXDialog {
 public:
  DriverDlg() : KXDialog(IDD_DRIVER_PAGE) {}
};
