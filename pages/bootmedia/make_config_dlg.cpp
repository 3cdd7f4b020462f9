// The tool dialog's window: two path boxes, each with its open-file dialog.
#include "pages/bootmedia/make_config_dlg.h"

#include <commdlg.h>

#include <vector>

#include "pages/bootmedia/make_boot_dlg.h"
#include "platform/system.h"
#include "ui/controls.h"

namespace {
// Each filter: its text, its pattern, and the pair list's end.
constexpr wchar_t kFbinstFilter[] = L"FbinstPlus程序 (*.EXE)\0*EXE\0";
constexpr wchar_t kArchiveFilter[] = L"存档 (*.FBA)\0*FBA\0";
constexpr DWORD kPathChars = 32768;   // the longest path Windows gives back
}  // namespace

bool MakeConfigDlg::OnInitDialog() {
  m_strFbinstPath = m_pOwner->m_strFbinstPath;
  m_strArchivePath = m_pOwner->m_strArchivePath;
  ShowMembers();
  return true;
}

void MakeConfigDlg::ShowMembers() {
  SetDlgItemTextW(hwnd(), IDC_CONFIG_FBINST, m_strFbinstPath.c_str());
  SetDlgItemTextW(hwnd(), IDC_CONFIG_ARCHIVE, m_strArchivePath.c_str());
}

bool MakeConfigDlg::Browse(const wchar_t* filter, std::wstring* path) {
  std::vector<wchar_t> file(kPathChars, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathChars;
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!GetOpenFileNameW(&dialog)) return false;
  *path = file.data();
  return true;
}

bool MakeConfigDlg::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && (id == IDC_CONFIG_BROWSE_FBINST || id == IDC_CONFIG_BROWSE_ARCHIVE)) {
    bool fbinst = id == IDC_CONFIG_BROWSE_FBINST;
    if (Browse(fbinst ? kFbinstFilter : kArchiveFilter, fbinst ? &m_strFbinstPath : &m_strArchivePath))
      ShowMembers();   // an unconfirmed text in the other box gives way to its member
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

void MakeConfigDlg::OnOK() {
  std::wstring typed = WindowText(Item(IDC_CONFIG_FBINST));
  std::wstring refusal = boot_disk::ToolPathRefusal(typed);
  if (!refusal.empty()) {
    ShowMessage(refusal, mbox::Ok | mbox::IconExclamation);
    return;   // the dialog stays open on what was typed
  }
  m_strFbinstPath = typed;
  m_strArchivePath = WindowText(Item(IDC_CONFIG_ARCHIVE));
  m_pOwner->m_strFbinstPath = m_strFbinstPath;
  m_pOwner->m_strArchivePath = m_strArchivePath;
  EndDialog(IDOK);
}
