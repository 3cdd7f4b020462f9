// The tool pack page's window: the filters, the list with the tools' icons, the loader
// thread and the clean-up of the mounted pack.
#include "pages/toolbox/tools_dlg.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "platform/small_icons_win.h"
#include "platform/system.h"
#include "ui/controls.h"
#include "ui/thread_wait.h"

ToolsDlg::~ToolsDlg() {
  Shutdown();
  if (m_imageList) ImageList_Destroy(m_imageList);
}

bool ToolsDlg::OnInitDialog() {
  m_self = hwnd();
  m_category = GetDlgItem(hwnd(), IDC_TOOLS_CATEGORY);
  m_searchText = GetDlgItem(hwnd(), IDC_TOOLS_SEARCH_TEXT);
  for (const std::wstring& category : tools_page::Categories())
    ComboBox(m_category).AddString(category);
  ComboBox(m_category).SetCurSel(0);

  m_imageList = CreateSmallIconList();
  m_list.SubclassDlgItem(IDC_TOOLS_LIST, hwnd());
  m_list.ModifyStyle(LVS_TYPEMASK, LVS_REPORT | LVS_SINGLESEL);
  m_list.SetImageList(m_imageList, LVSIL_SMALL);
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES |
                          LVS_EX_FULLROWSELECT);
  m_list.InsertColumn(0, L"名称", LVCFMT_CENTER, 120);
  m_list.InsertColumn(1, L"分类", LVCFMT_CENTER, 70);
  m_list.InsertColumn(2, L"版本", LVCFMT_CENTER, 70);
  m_list.InsertColumn(3, L"描述", LVCFMT_LEFT, 250);
  m_list.InsertColumn(4, L"路径", LVCFMT_LEFT, 250);
  return true;
}

void ToolsDlg::OnFirstShow() {
  if (m_bLoaderStarted != 0) return;
  m_bLoaderStarted = 1;
  m_loader.Start([this] { Load(); });
}

void ToolsDlg::Load() {
  // The shell's icon lookup wants COM on the thread that asks.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HWND page = m_self;
  tools_page::ToolsOut out;
  out.add = [this](_PROGRAM program) { AddProgram(std::move(program)); };
  out.refresh = [page] { PostMessageW(page, WM_TOOLS_REFRESH, 0, 0); };
  out.note = [page](const std::wstring& why) {
    auto* text = new std::wstring(why);
    if (!PostMessageW(page, WM_TOOLS_NOTE, 0, reinterpret_cast<LPARAM>(text))) delete text;
  };
  QuietProgress progress(m_stopping);
  tools_page::ToolsLoadThread(&m_strMountRoot, &m_mountList, out, progress);
  if (SUCCEEDED(com)) CoUninitialize();
}

void ToolsDlg::WaitForLoader() {
  // A box the loader showed before it was told to stop is answered for the user who
  // has left; a mount it is in the middle of must end before it can be undone.
  const DWORD loaderId = m_loader.Id();
  m_loader.Wait([this, loaderId] {
    if (m_stopping) ui::DismissMessageBoxesOf(loaderId);
  });
}

void ToolsDlg::AddProgram(_PROGRAM program) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(program.strPath.c_str(), 0, &info, sizeof info,
                      SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
    info.hIcon = nullptr;
  std::lock_guard<std::mutex> lock(m_pendingLock);
  m_pending.emplace_back(std::move(program), info.hIcon);
}

void ToolsDlg::TakePending() {
  std::vector<std::pair<_PROGRAM, HICON>> taken;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    taken.swap(m_pending);
  }
  for (auto& [program, icon] : taken) {
    if (icon) {
      program.nImage = ImageList_AddIcon(m_imageList, icon);
      DestroyIcon(icon);
    }
    m_programList.push_back(std::move(program));
  }
}

void ToolsDlg::AddRow(const _PROGRAM& program) {
  const int row = m_list.InsertItem(m_list.GetItemCount(), program.strName.c_str(), program.nImage);
  m_list.SetItemText(row, 1, program.strCategory);
  m_list.SetItemText(row, 2, program.strVersion);
  m_list.SetItemText(row, 3, program.strDescription);
  m_list.SetItemText(row, 4, program.strPath);
}

void ToolsDlg::RefreshList(const std::wstring& category) {
  TakePending();
  m_list.DeleteAllItems();
  for (const _PROGRAM& program : m_programList)
    if (tools_page::InCategory(program, category)) AddRow(program);
}

void ToolsDlg::ShowSearch(const std::wstring& text) {
  TakePending();
  m_list.DeleteAllItems();
  for (const _PROGRAM& program : m_programList)
    if (tools_page::MatchesSearch(program, text)) AddRow(program);
}

std::wstring ToolsDlg::CategoryText() const { return WindowText(m_category); }

std::wstring ToolsDlg::Note() const {
  const HWND note = GetDlgItem(hwnd(), IDC_TOOLS_NOTE);
  // Its own style, not IsWindowVisible: the page itself may be hidden behind another tab.
  return (GetWindowLongW(note, GWL_STYLE) & WS_VISIBLE) ? WindowText(note) : std::wstring();
}

void ToolsDlg::OnSearch() {
  const std::wstring text = WindowText(m_searchText);
  if (!text.empty())
    ShowSearch(text);
  else
    RefreshList(CategoryText());
}

// Enter in the search box searches; on the list it starts the selected tool, as a
// double-click does.
bool ToolsDlg::OnEnterKey(HWND focus) {
  if (focus == m_searchText) OnSearch();
  else if (focus == m_list.hwnd()) StartTool(ListView(focus).SelectedRow());
  else return false;
  return true;
}

void ToolsDlg::StartTool(int row) {
  // A double-click beside the rows has no tool to start.
  if (row >= 0) RunProgram(m_list.GetItemText(row, 4), std::wstring(), false, true);
}

bool ToolsDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_TOOLS_CATEGORY && code == CBN_SELCHANGE) {
    const int selected = ComboBox(m_category).CurSel();
    if (selected >= 0 && static_cast<size_t>(selected) < tools_page::Categories().size())
      RefreshList(tools_page::Categories()[static_cast<size_t>(selected)]);
    return true;
  }
  if ((id == IDC_TOOLS_SEARCH && code == BN_CLICKED) || (id == IDC_TOOLS_SEARCH_TEXT && code == EN_CHANGE)) {
    OnSearch();
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

bool ToolsDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDC_TOOLS_LIST && header.code == NM_DBLCLK) {
    StartTool(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    return true;
  }
  if (header.idFrom == IDC_TOOLS_NOTICE && (header.code == NM_CLICK || header.code == NM_RETURN)) {
    ShowMessage(L"本软件提供的实用工具均为网络上收集的常用工具，旨在方便用户调用，请不懂得使用相应工具的用户在指导下使用。\n\n"
                L"作者不对工具的稳定性负责，建议在PE环境下使用工具！",
                mbox::Ok | mbox::IconExclamation);
    return true;
  }
  return KXDialog::OnNotify(header, result);
}

bool ToolsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_TOOLS_REFRESH) {
    RefreshList(tools_page::kAll);
    return true;
  }
  if (message == WM_TOOLS_NOTE) {
    std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lParam));
    SetDlgItemTextW(hwnd(), IDC_TOOLS_NOTE, text->c_str());
    ShowWindow(GetDlgItem(hwnd(), IDC_TOOLS_NOTE), SW_SHOW);
    return true;
  }
  if (message == WM_DESTROY) Shutdown();
  return KXDialog::OnMessage(message, wParam, lParam, result);
}

void ToolsDlg::Shutdown() {
  if (m_cleanedUp) return;
  m_cleanedUp = true;
  m_stopping = true;
  WaitForLoader();
  if (m_bLoaderStarted == 1) tools_page::CleanUpMounts(m_mountList);
  std::lock_guard<std::mutex> lock(m_pendingLock);
  for (auto& pending : m_pending)
    if (pending.second) DestroyIcon(pending.second);
  m_pending.clear();
}
