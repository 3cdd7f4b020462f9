// The tool pack page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class ToolsDlg : public KXDialog {
 public:
  ToolsDlg() : KXDialog(IDD_TOOLS_PAGE) {}
};
