// The software page's window: list set-up, the catalogue loaded behind the progress
// dialog, and the install button, "全选" and double-clicks.
#include "pages/toolbox/software_dlg.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "platform/small_icons_win.h"
#include "platform/system.h"
#include "ui/controls.h"
#include "ui/load_dlg.h"

namespace {

constexpr UINT WM_INSTALL_STATE = WM_APP + 30;   // lParam: a new InstallState
constexpr UINT WM_INSTALL_END = WM_APP + 31;     // lParam: a new QueueEnd
constexpr int kStateColumn = 4;

struct InstallState {
  int row;
  std::wstring text;
};

struct QueueEnd {
  std::wstring summary;
  bool allInstalled;
};

// Hands a heap copy to the window, which deletes it; kept here when the window is gone.
template <typename T>
void PostOwned(HWND window, UINT message, T* payload) {
  if (!PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(payload))) delete payload;
}

// The small icon of the installer's file type, added to the page's image list.
int AddFileIcon(HIMAGELIST images, const std::wstring& installerPath) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(installerPath.c_str(), 0, &info, sizeof info,
                      SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) || !info.hIcon)
    return -1;
  int index = images ? ImageList_AddIcon(images, info.hIcon) : -1;
  DestroyIcon(info.hIcon);
  return index;
}

}  // namespace

SoftwareDlg::~SoftwareDlg() {
  if (m_imageList) ImageList_Destroy(m_imageList);
}

bool SoftwareDlg::OnInitDialog() {
  m_imageList = CreateSmallIconList();
  m_list.SubclassDlgItem(IDC_SOFTWARE_LIST, hwnd());
  m_list.SetImageList(m_imageList, LVSIL_SMALL);
  m_list.ModifyStyle(LVS_TYPEMASK | LVS_EDITLABELS | LVS_NOSCROLL,
                     LVS_REPORT | LVS_SINGLESEL | WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
  m_list.InsertColumn(0, L"名称", LVCFMT_CENTER, 150);
  m_list.InsertColumn(1, L"描述", LVCFMT_LEFT, 430);
  m_list.InsertColumn(2, L"路径", LVCFMT_LEFT, 250);
  m_list.InsertColumn(3, L"自动安装参数", LVCFMT_LEFT, 60);
  m_list.InsertColumn(kStateColumn, L"状态", LVCFMT_LEFT, 110);
  // Shown beside the name: after the wide description and path it would start beyond the
  // list's right edge, where a queue's progress is not seen without scrolling.
  ListView(m_list.hwnd()).SetColumnOrder({0, kStateColumn, 1, 2, 3});
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES |
                          LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  return true;
}

void SoftwareDlg::OnFirstShow() {
  HIMAGELIST images = m_imageList;
  SoftwareList* catalogue = &m_softwareList;
  std::vector<std::wstring> skipped;
  // Returns once the load has ended: the catalogue and the skipped lines are complete and ours again.
  RunBehindProgress([images, catalogue, &skipped](Progress& progress) {
    // The shell's icon lookup wants COM on the thread that asks.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool loaded = software_page::LoadSoftwareCatalogue(
        progress, [images](const std::wstring& path) { return AddFileIcon(images, path); }, catalogue, &skipped);
    if (SUCCEEDED(com)) CoUninitialize();
    return loaded;
  });
  FillList();
  // Once, after the load, rather than a box per line or nothing at all.
  const std::wstring text = software_page::SkippedLinesText(skipped);
  if (!text.empty()) ShowMessage(text, mbox::Ok | mbox::IconExclamation);
}

void SoftwareDlg::FillList() {
  m_list.DeleteAllItems();
  int row = 0;
  for (const _SOFTWARE& entry : m_softwareList) {
    int at = m_list.InsertItem(row++, entry.name.c_str(), entry.iconIndex);
    m_list.SetItemText(at, 1, entry.description);
    m_list.SetItemText(at, 2, entry.installerPath);
    m_list.SetItemText(at, 3, entry.parameters);
  }
}

void SoftwareDlg::TickAll() {
  bool ticked = IsDlgButtonChecked(hwnd(), IDC_SOFTWARE_SELECT_ALL) == BST_CHECKED;
  for (int row = 0, count = m_list.GetItemCount(); row < count; ++row) m_list.SetCheck(row, ticked);
}

void SoftwareDlg::InstallTicked() {
  // The queue is rebuilt only while no install thread runs (otherwise StartInstall
  // warns); the thread gets its own copy.
  if (!m_installThread.Running()) {
    m_installQueue.clear();
    for (int row = 0, count = m_list.GetItemCount(); row < count; ++row) {
      if (!m_list.GetCheck(row)) continue;
      m_installQueue.push_back(
          {m_list.GetItemText(row, 0), m_list.GetItemText(row, 2), m_list.GetItemText(row, 3), row});
      m_list.SetItemText(row, kStateColumn, L"");
    }
  }
  software_page::StartInstall(m_installThread, m_installQueue, PostedReport());
}

software_page::QueueReport SoftwareDlg::PostedReport() const {
  // Only the window handle travels: a thread let go at the page's end posts into nothing.
  HWND window = hwnd();
  software_page::QueueReport report;
  report.state = [window](int row, const std::wstring& text) {
    PostOwned(window, WM_INSTALL_STATE, new InstallState{row, text});
  };
  report.end = [window](const std::wstring& summary, bool allInstalled) {
    PostOwned(window, WM_INSTALL_END, new QueueEnd{summary, allInstalled});
  };
  return report;
}

bool SoftwareDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_INSTALL_STATE) {
    std::unique_ptr<InstallState> state(reinterpret_cast<InstallState*>(lParam));
    if (state->row >= 0 && state->row < m_list.GetItemCount()) m_list.SetItemText(state->row, kStateColumn, state->text);
    return true;
  }
  if (message == WM_INSTALL_END) {
    std::unique_ptr<QueueEnd> end(reinterpret_cast<QueueEnd*>(lParam));
    ShowMessage(end->summary, mbox::Ok | (end->allInstalled ? mbox::IconInformation : mbox::IconExclamation));
    return true;
  }
  return KXDialog::OnMessage(message, wParam, lParam, result);
}

void SoftwareDlg::InstallOne(int row) {
  // A double-click beside the rows has no installer to start.
  if (row < 0 || row >= m_list.GetItemCount()) return;
  software_page::CustomInstall(m_list.GetItemText(row, 2), m_list.GetItemText(row, 3));
}

bool SoftwareDlg::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && id == IDC_SOFTWARE_SELECT_ALL) {
    TickAll();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_SOFTWARE_INSTALL) {
    InstallTicked();
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

bool SoftwareDlg::OnEnterKey(HWND focus) {
  if (focus != m_list.hwnd()) return false;
  InstallOne(ListView(focus).SelectedRow());
  return true;
}

bool SoftwareDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_SOFTWARE_LIST) return KXDialog::OnNotify(header, result);
  if (header.code == NM_DBLCLK) {
    InstallOne(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    return true;
  }
  if (header.code == LVN_ITEMCHANGED) {
    result = 0;
    return true;
  }
  return KXDialog::OnNotify(header, result);
}
