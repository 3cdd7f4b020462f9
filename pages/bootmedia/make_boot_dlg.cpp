// The USB boot disk page's window: device combo, size box, force box and tooltip; the make
// behind the progress dialog, the restore on its own thread, the two configuration dialogs.
#include "pages/bootmedia/make_boot_dlg.h"

#include "ui/load_dlg.h"
#include "pages/bootmedia/copy_data_dlg.h"
#include "pages/bootmedia/load_progress.h"
#include "pages/bootmedia/make_config_dlg.h"
#include "platform/system.h"

namespace {

// The make worker's parameter record: the progress dialog first, then what it makes.
struct MakeParam {
  LoadDlg* dialog;
  const boot_disk::MakeRequest* request;
};

void Exclaim(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

}  // namespace

MakeBootDlg::MakeBootDlg() : KXDialog(IDD_MAKEBOOT_PAGE) {}

MakeBootDlg::~MakeBootDlg() = default;

bool MakeBootDlg::OnInitDialog() {
  SetDlgItemTextW(hwnd(), IDC_MAKEBOOT_SIZE, L"500");
  m_toolTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (m_toolTip) SendMessageW(m_toolTip, TTM_ACTIVATE, TRUE, 0);
  boot_disk::ResolveToolPaths(this);
  CheckDlgButton(hwnd(), IDC_MAKEBOOT_FORCE, BST_CHECKED);
  if (m_toolTip) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(IDC_MAKEBOOT_FORCE));
    tool.lpszText = const_cast<wchar_t*>(L"强行格式化U盘");
    SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return true;
}

void MakeBootDlg::OnFirstShow() {
  HWND combo = Item(IDC_MAKEBOOT_DEVICE);
  for (const std::wstring& entry : boot_disk::DeviceEntries())
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  if (count > 0) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

bool MakeBootDlg::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED) return KXDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_MAKEBOOT_START: OnMake(); return true;
    case IDC_MAKEBOOT_RESTORE: OnRestore(); return true;
    case IDC_MAKEBOOT_DATA: OnCopyData(); return true;
    case IDC_MAKEBOOT_TOOLS: OnMakeConfig(); return true;
    default: return KXDialog::OnCommand(id, code, control);
  }
}

bool MakeBootDlg::PreTranslateMessage(MSG& msg) {
  if (m_toolTip) SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  return KXDialog::PreTranslateMessage(msg);
}

std::wstring MakeBootDlg::SelectedEntry() const { return WindowText(Item(IDC_MAKEBOOT_DEVICE)); }

bool MakeBootDlg::ForceFormat() const { return IsDlgButtonChecked(hwnd(), IDC_MAKEBOOT_FORCE) == BST_CHECKED; }

void MakeBootDlg::OnMake() {
  boot_disk::MakeRequest request;
  request.sizeMb = boot_disk::ReadPartitionSize(WindowText(Item(IDC_MAKEBOOT_SIZE)));
  std::wstring entry = SelectedEntry();
  request.disk = boot_disk::DiskNumberOfEntry(entry);
  request.drive = boot_disk::DestinationDriveOfEntry(entry);
  std::wstring refusal = boot_disk::MakeRefusal(request.sizeMb, request.disk, request.drive, *this);
  if (!refusal.empty()) {
    Exclaim(refusal);
    return;
  }
  if (ShowMessage(boot_disk::MakeQuestion(request.disk), mbox::YesNo | mbox::IconQuestion) != mbox::IdYes)
    return;
  request.config = *this;
  request.force = ForceFormat();

  LoadDlg dialog;
  MakeParam param{&dialog, &request};
  dialog.m_pfnWorker = &MakeBootDlg::MakeBootThread;
  dialog.m_pWorkerParam = &param;
  // Returns once the worker has ended: the request in this frame outlives it.
  dialog.DoModal();
}

UINT MakeBootDlg::MakeBootThread(LPVOID param) {
  MakeParam* make = static_cast<MakeParam*>(param);
  LoadProgress progress(make->dialog);
  int result = boot_disk::MakeBootDisk(*make->request, progress);
  make->dialog->Post(result == 0 ? WM_CLOSE : WM_LOAD_ENABLE_CLOSE);
  return static_cast<UINT>(result);
}

void MakeBootDlg::OnRestore() {
  if (!m_restore.Start({m_strFbinstPath, SelectedEntry(), ForceFormat()})) Exclaim(boot_disk::kAlreadyRestoring);
}

void MakeBootDlg::OnCopyData() {
  if (!m_copyDataDlg) m_copyDataDlg = std::make_unique<CopyDataDlg>(this);
  m_copyDataDlg->DoModal(GetAncestor(hwnd(), GA_ROOT));
}

void MakeBootDlg::OnMakeConfig() {
  if (!m_makeConfigDlg) m_makeConfigDlg = std::make_unique<MakeConfigDlg>(this);
  m_makeConfigDlg->DoModal(GetAncestor(hwnd(), GA_ROOT));
}
