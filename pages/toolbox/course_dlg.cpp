// The tutorials page's window: the video list with the file types' icons, and its clicks.
#include "pages/toolbox/course_dlg.h"

#include <shellapi.h>

#include "platform/small_icons_win.h"
#include "platform/system.h"
#include "ui/controls.h"

bool CourseDlg::OnInitDialog() {
  // The list has no LVS_SHAREIMAGELISTS: it destroys the image list with itself.
  m_imageList = CreateSmallIconList();
  m_list.SubclassDlgItem(IDC_COURSE_VIDEO_LIST, hwnd());
  m_list.SetImageList(m_imageList, LVSIL_SMALL);
  m_list.ModifyStyle(LVS_TYPEMASK | LVS_EDITLABELS | LVS_NOSCROLL,
                     LVS_REPORT | LVS_SINGLESEL | WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
  m_list.InsertColumn(0, L"名称", LVCFMT_CENTER, 160);
  m_list.InsertColumn(1, L"描述", LVCFMT_LEFT, 430);
  m_list.InsertColumn(2, L"路径", LVCFMT_LEFT, 250);
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES |
                          LVS_EX_FULLROWSELECT);
  return true;
}

void CourseDlg::OnFirstShow() {
  LoadVideoMap();
  FillList();
}

void CourseDlg::LoadVideoMap() {
  std::wstring note;
  m_videoList = course_page::LoadVideoMap(&note);
  if (!note.empty()) ShowNote(note);
  for (_VIDEO& video : m_videoList) {
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(video.path.c_str(), 0, &info, sizeof info,
                        SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) || !info.hIcon)
      continue;
    video.icon = ImageList_AddIcon(m_imageList, info.hIcon);
    DestroyIcon(info.hIcon);
  }
}

// The note lies hidden over the list's foot in the template; shown, the list ends above it.
void CourseDlg::ShowNote(const std::wstring& text) {
  const HWND note = GetDlgItem(hwnd(), IDC_COURSE_NOTE);
  SetWindowTextW(note, text.c_str());
  RECT noteRect = {}, listRect = {};
  GetWindowRect(note, &noteRect);
  GetWindowRect(m_list.hwnd(), &listRect);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&noteRect), 2);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&listRect), 2);
  SetWindowPos(m_list.hwnd(), nullptr, 0, 0, listRect.right - listRect.left, noteRect.top - listRect.top - 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(note, SW_SHOW);
}

std::wstring CourseDlg::Note() const {
  const HWND note = GetDlgItem(hwnd(), IDC_COURSE_NOTE);
  // Its own style, not IsWindowVisible: the page itself may be hidden behind another tab.
  return (GetWindowLongW(note, GWL_STYLE) & WS_VISIBLE) ? WindowText(note) : std::wstring();
}

void CourseDlg::FillList() {
  m_list.DeleteAllItems();
  int row = 0;
  for (const _VIDEO& video : m_videoList) {
    int at = m_list.InsertItem(row++, video.name.c_str(), video.icon);
    m_list.SetItemText(at, 1, video.description);
    m_list.SetItemText(at, 2, video.path);
  }
}

void CourseDlg::OpenVideo(int row) {
  // A double-click beside the rows has no video to open.
  if (row < 0) return;
  const std::wstring path = m_list.GetItemText(row, 2);
  if (path.empty()) return;
  OpenWithShell(path);
}

void CourseDlg::OpenWithShell(const std::wstring& path) {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd(), L"open", path.c_str(), nullptr, nullptr, SW_SHOW));
  const std::wstring failure = course_page::ShellOpenFailure(path, result);
  if (!failure.empty()) ShowMessage(failure, mbox::Ok | mbox::IconExclamation);
}

bool CourseDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_COURSE_MANUAL && code == BN_CLICKED) {
    course_page::OpenManual();
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

bool CourseDlg::OnEnterKey(HWND focus) {
  if (focus != m_list.hwnd()) return false;
  OpenVideo(ListView(focus).SelectedRow());
  return true;
}

bool CourseDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDC_COURSE_VIDEO_LIST && header.code == NM_DBLCLK) {
    OpenVideo(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    return true;
  }
  return KXDialog::OnNotify(header, result);
}
