// The tutorials page.
#pragma once

#include "app/kxdialog.h"
#include "resources/resource.h"

class CourseDlg : public KXDialog {
 public:
  CourseDlg() : KXDialog(IDD_COURSE_PAGE) {}
};
