// The software catalogue page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class SoftwareDlg : public KXDialog {
 public:
  SoftwareDlg() : KXDialog(IDD_SOFTWARE_PAGE) {}
};
