// The image search dialog's window: the depth box, the search button and the result list.
#include "pages/install/search_dlg.h"

#include <string>

#include "pages/install/image_search.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "ui/controls.h"

namespace {

// Width in pixels of the longest text of the list box in its own font, with a margin.
int WidestPath(HWND list) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, ListBox(list).Font());
  int widest = 0;
  for (const std::wstring& path : TheDisk().foundPaths) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, path.c_str(), static_cast<int>(path.size()), &size);
    if (size.cx > widest) widest = size.cx;
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  return widest > 0 ? widest + 2 * GetSystemMetrics(SM_CXEDGE) + 4 : 0;
}

}  // namespace

SearchDlg::SearchDlg(HWND page) : KXDialog(IDD_SEARCH_GHO), page_(page), m_nDepth(image_search::kDefaultDepth) {}

INT_PTR SearchDlg::DoModal() {
  HWND owner = page_ ? GetAncestor(page_, GA_ROOT) : nullptr;
  return KXDialog::DoModal(owner);
}

bool SearchDlg::OnInitDialog() {
  // The window is made anew at every opening: it shows the depth last accepted.
  SetDlgItemTextW(hwnd(), IDC_SEARCH_DEPTH, Format(L"%d", m_nDepth).c_str());
  // The user starts where a search is typed: in the depth box, its text selected, so that
  // a digit replaces it and Enter searches (the result list is empty before a search, and
  // Enter there takes a chosen result only).
  HWND depthBox = Item(IDC_SEARCH_DEPTH);
  SetFocus(depthBox);
  Edit(depthBox).SelectAll();
  return false;
}

void SearchDlg::OnShowWindow(bool show, int status) {
  KXDialog::OnShowWindow(show, status);
  if (show) ShowFoundPaths();
}

bool SearchDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_SEARCH_START && code == BN_CLICKED) {
    Search();
    return true;
  }
  if (id == IDC_SEARCH_FOUND && code == LBN_DBLCLK) {
    ChooseSelected();
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

bool SearchDlg::OnEnterKey(HWND focus) {
  if (focus != Item(IDC_SEARCH_FOUND)) return false;
  ChooseSelected();
  return true;
}

void SearchDlg::Search() {
  HWND depthBox = Item(IDC_SEARCH_DEPTH);
  int depth = m_nDepth;
  if (!image_search::ReadDepthText(WindowText(depthBox), &depth)) {
    // As the data exchange does: the box gets the focus with its text selected, and the
    // search goes on with the depth last accepted.
    SetFocus(depthBox);
    Edit(depthBox).SelectAll();
  }
  if (!image_search::SearchDrives(depth, &TheDisk().foundPaths)) return;
  m_nDepth = depth;
  ShowFoundPaths();
}

void SearchDlg::ShowFoundPaths() {
  HWND list = Item(IDC_SEARCH_FOUND);
  ListBox(list).ResetContent();
  for (const std::wstring& path : TheDisk().foundPaths) ListBox(list).AddString(path);
  // The list scrolls sideways as far as its longest path reaches, so that a deep
  // path can be read whole.
  ListBox(list).SetHorizontalExtent(WidestPath(list));
}

void SearchDlg::ChooseSelected() {
  const ListBox list(Item(IDC_SEARCH_FOUND));
  std::wstring text;
  const int row = list.CurSel();
  if (row == LB_ERR || !list.Text(row, &text)) return;
  SetWindowTextW(GetDlgItem(page_, IDC_SEARCH_TARGET_PATH), text.c_str());
  PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}
