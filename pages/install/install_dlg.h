// The backup and restore page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class InstallDlg : public KXDialog {
 public:
  InstallDlg() : KXDialog(IDD_INSTALL_PAGE) {}
};
