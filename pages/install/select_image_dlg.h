// SelectImageDlg: the "选择镜像" dialog that shows the images of one WIM file and hands
// back the index of the one chosen.
#pragma once

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "deploy/wim_image_info.h"
#include "resources/resource.h"

class SelectImageDlg : public KXDialog {
 public:
  // images: the records to show, which must outlive the dialog. chosenIndex receives the
  // index of the chosen image on "确定" and is left untouched otherwise (the caller
  // starts it at 0, which no image has, to tell a cancel apart).
  SelectImageDlg(const WimImageList& images, int* chosenIndex);

  // Runs modally; without an owner of its own the main window owns it. IDOK when an
  // image was chosen.
  INT_PTR DoModal(HWND owner = nullptr);

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  const WimImageList& m_images;
  int* m_pIndex;
  CReportCtrl m_listImage;
};

// Shows the chooser for these images, owned by the main window: the chosen image's
// index, or 0 when the user cancelled.
int ChooseWimImage(const WimImageList& images);
