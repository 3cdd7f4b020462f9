// The WIM image chooser's window: one row per image, the chosen row's index handed back.
#include "pages/install/select_image_dlg.h"

#include <cwchar>
#include <string>

#include "platform/format.h"
#include "platform/system.h"
#include "platform/user_window.h"
#include "ui/controls.h"

SelectImageDlg::SelectImageDlg(const WimImageList& images, int* chosenIndex)
    : KXDialog(IDD_SELECT_IMAGE), m_images(images), m_pIndex(chosenIndex) {}

INT_PTR SelectImageDlg::DoModal(HWND owner) {
  if (!owner) owner = UserWindow(static_cast<HWND>(TheSeam().MainWindow()));
  return KXDialog::DoModal(owner);
}

bool SelectImageDlg::OnInitDialog() {
  m_listImage.SubclassDlgItem(IDC_SELECT_IMAGE_LIST, hwnd());
  m_listImage.ModifyStyle(LVS_TYPEMASK | LVS_EDITLABELS | LVS_NOSCROLL,
                          LVS_REPORT | LVS_SINGLESEL | WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
  m_listImage.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT);
  m_listImage.InsertColumn(0, L"索引", LVCFMT_CENTER, 40);
  m_listImage.InsertColumn(1, L"名称", LVCFMT_CENTER, 200);
  m_listImage.InsertColumn(2, L"描述", LVCFMT_CENTER, 250);
  int row = 0;
  for (const _WIMAGEINFO& image : m_images) {
    int at = m_listImage.InsertItem(row++, Format(L"%d", image.index).c_str());
    m_listImage.SetItemText(at, 1, image.name);
    m_listImage.SetItemText(at, 2, image.description);
  }
  if (m_listImage.GetItemCount() > 0) {
    m_listImage.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView(m_listImage.hwnd()).SetSelectionMark(0);
  }
  return true;
}

void SelectImageDlg::OnOK() {
  // The selected row itself, not the selection mark: the mark stays on the last row
  // clicked even after Ctrl+click has taken the selection away.
  int row = m_listImage.GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) {
    ShowMessage(L"请选择一个镜像!", mbox::Ok | mbox::IconExclamation);
    return;
  }
  // The index is read from the row's own text, so a list sorted by a header click
  // still gives the index of the row the user sees.
  if (m_pIndex) *m_pIndex = _wtoi(m_listImage.GetItemText(row, 0).c_str());
  EndDialog(IDOK);
}

int ChooseWimImage(const WimImageList& images) {
  int index = 0;
  SelectImageDlg dialog(images, &index);
  dialog.DoModal();
  return index;
}
