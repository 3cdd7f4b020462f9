// The USB boot disk page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class MakeBootDlg : public KXDialog {
 public:
  MakeBootDlg() : KXDialog(IDD_MAKEBOOT_PAGE) {}
};
