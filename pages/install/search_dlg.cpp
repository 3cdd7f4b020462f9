// The image search dialog's window: the depth box, the search button and the result list.
#include "pages/install/search_dlg.h"

#include <string>
#include <vector>

#include "pages/install/image_search.h"
#include "platform/disk.h"
#include "platform/format.h"

namespace {

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  return text.data();
}

// Width in pixels of the longest text of the list box in its own font, with a margin.
int WidestPath(HWND list) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
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
  return true;
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

void SearchDlg::Search() {
  HWND depthBox = Item(IDC_SEARCH_DEPTH);
  int depth = m_nDepth;
  if (!image_search::ReadDepthText(WindowText(depthBox), &depth)) {
    // As the data exchange does: the box gets the focus with its text selected, and the
    // search goes on with the depth last accepted.
    SetFocus(depthBox);
    SendMessageW(depthBox, EM_SETSEL, 0, -1);
  }
  if (!image_search::SearchDrives(depth, &TheDisk().foundPaths)) return;
  m_nDepth = depth;
  ShowFoundPaths();
}

void SearchDlg::ShowFoundPaths() {
  HWND list = Item(IDC_SEARCH_FOUND);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& path : TheDisk().foundPaths)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  // The list scrolls sideways as far as its longest path reaches, so that a deep
  // path can be read whole.
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(WidestPath(list)), 0);
}

void SearchDlg::ChooseSelected() {
  HWND list = Item(IDC_SEARCH_FOUND);
  LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR) return;
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == LB_ERR) return;
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
  SetWindowTextW(GetDlgItem(page_, IDC_SEARCH_TARGET_PATH), text.data());
  PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}
