// The main page: system facts and the one-click actions.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class MainDlg : public KXDialog {
 public:
  MainDlg() : KXDialog(IDD_MAIN_PAGE) {}
};
