// The USB boot disk page's window: device combo that follows the machine, size box, force
// box and tooltip; the make and the restore behind the progress dialog, one at a time;
// the two configuration dialogs.
#include "pages/bootmedia/make_boot_dlg.h"

#include <dbt.h>

#include "ui/load_dlg.h"
#include "pages/bootmedia/boot_disk_vm.h"
#include "pages/bootmedia/copy_data_dlg.h"
#include "pages/bootmedia/make_config_dlg.h"
#include "platform/message_text.h"
#include "platform/system.h"
#include "ui/controls.h"

namespace {

void Exclaim(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

// Tells the outcome of a make or restore in a box where the page does; whether it is done.
bool Told(const boot_disk::BootDiskOutcome& outcome) {
  // A make that is done may still have something to say (the links it left out).
  const bool done = outcome.code == boot_disk::BootDiskCode::Done;
  // A copy that failed half-way is work begun: its steps are in the log.
  const bool copyFailed = outcome.code == boot_disk::BootDiskCode::CopyFailed;
  if (boot_disk::BootDiskOutcomeBoxed(outcome.code) || (done && !outcome.text.empty()))
    Exclaim(copyFailed ? WithLogPlace(outcome.text) : outcome.text);
  return done;
}

// Windows tells top-level windows of devices coming and going (DBT_DEVNODES_CHANGED for
// any device, DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE for volumes), never a child
// dialog such as the page: a hidden top-level window of its own hears them and passes
// them on. A registration with the plug-and-play service would do as well, but it blocks
// for as long as that service takes to answer.
constexpr wchar_t kWatchClass[] = L"RigmateDeviceWatch";

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE) {
    HWND page = reinterpret_cast<HWND>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (page) PostMessageW(page, WM_DEVICECHANGE, wParam, 0);
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Windows sends a burst of notifications for one device; the list is read once they settle.
constexpr UINT_PTR kDeviceTimer = 1;
constexpr UINT kDeviceSettleMs = 400;

}  // namespace

MakeBootDlg::MakeBootDlg() : KXDialog(IDD_MAKEBOOT_PAGE) {}

MakeBootDlg::~MakeBootDlg() {
  if (m_deviceWatch) DestroyWindow(m_deviceWatch);
}

bool MakeBootDlg::OnInitDialog() {
  SetDlgItemTextW(hwnd(), IDC_MAKEBOOT_SIZE, L"500");
  m_toolTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (m_toolTip) ToolTip(m_toolTip).Activate(true);
  boot_disk::ResolveToolPaths(this);
  CheckDlgButton(hwnd(), IDC_MAKEBOOT_FORCE, BST_CHECKED);
  if (m_toolTip) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(IDC_MAKEBOOT_FORCE));
    tool.lpszText = const_cast<wchar_t*>(L"强行格式化U盘");
    ToolTip(m_toolTip).AddTool(tool);
  }
  WatchDeviceChanges();
  return true;
}

void MakeBootDlg::WatchDeviceChanges() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW watch = {};
  watch.lpfnWndProc = &WatchProc;
  watch.hInstance = instance;
  watch.lpszClassName = kWatchClass;
  RegisterClassW(&watch);   // fails harmlessly when a page registered it before
  m_deviceWatch = CreateWindowExW(WS_EX_TOOLWINDOW, kWatchClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
  if (m_deviceWatch) SetWindowLongPtrW(m_deviceWatch, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hwnd()));
}

void MakeBootDlg::OnFirstShow() { FillDevices(); }

void MakeBootDlg::FillDevices() {
  const ComboBox combo(Item(IDC_MAKEBOOT_DEVICE));
  std::wstring selected = SelectedEntry();
  std::vector<boot_disk::DeviceChoice> now = boot_disk::ReadDeviceChoices();
  std::wstring select;
  if (m_userChose && boot_disk::ChoiceOfEntry(m_devices, selected)) {
    select = boot_disk::EntryToKeep(m_devices, selected, now);
    // The chosen disk is gone: no other disk is chosen in its place unseen, now or at
    // a later device change, until the user chooses.
    m_choiceLost = select.empty();
    m_userChose = !m_choiceLost;
  } else if (!m_choiceLost) {
    // The page's own choice is made again: a stick plugged in beside the one it chose
    // leaves no single stick to choose.
    select = boot_disk::PreselectedEntry(now);
  }
  m_devices = now;
  combo.ResetContent();
  // Inserted at the end, in disk-number order: the combo's own sorting would put HD10
  // before HD2.
  for (const std::wstring& entry : boot_disk::EntriesOf(m_devices)) combo.InsertString(-1, entry);
  int index = -1;
  if (!select.empty())
    index = combo.FindStringExact(select);
  else if (m_devices.empty())
    index = 0;   // the one entry that says there is no device
  combo.SetCurSel(index);
}

bool MakeBootDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DEVICECHANGE) {
    if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE || wParam == DBT_DEVNODES_CHANGED)
      SetTimer(hwnd(), kDeviceTimer, kDeviceSettleMs, nullptr);
    result = TRUE;
    return true;
  }
  if (message == WM_TIMER && wParam == kDeviceTimer) {
    KillTimer(hwnd(), kDeviceTimer);
    // Before the first show the combo is filled then, from the machine as it is then.
    if (!FirstShowPending()) FillDevices();
    return true;
  }
  return KXDialog::OnMessage(message, wParam, lParam, result);
}

KXDialog::BackgroundJob MakeBootDlg::RunningJob() const {
  return m_job == DiskJob::None ? BackgroundJob::None : BackgroundJob::WritesDisk;
}

bool MakeBootDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_MAKEBOOT_DEVICE && code == CBN_SELCHANGE) {
    m_userChose = true;
    m_choiceLost = false;
    return true;
  }
  if (code != BN_CLICKED) return KXDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_MAKEBOOT_START: OnMake(); return true;
    case IDC_MAKEBOOT_RESTORE: OnRestore(); return true;
    case IDC_MAKEBOOT_DATA: OnCopyData(); return true;
    case IDC_MAKEBOOT_TOOLS: OnMakeConfig(); return true;
    case IDC_MAKEBOOT_TEST: boot_disk::TestBootDisk(SelectedEntry(), SelectedChoice()); return true;
    default: return KXDialog::OnCommand(id, code, control);
  }
}

bool MakeBootDlg::PreTranslateMessage(MSG& msg) {
  if (m_toolTip) ToolTip(m_toolTip).RelayEvent(msg);
  return KXDialog::PreTranslateMessage(msg);
}

std::wstring MakeBootDlg::SelectedEntry() const { return WindowText(Item(IDC_MAKEBOOT_DEVICE)); }

const boot_disk::DeviceChoice* MakeBootDlg::SelectedChoice() const {
  return boot_disk::ChoiceOfEntry(m_devices, SelectedEntry());
}

bool MakeBootDlg::ForceFormat() const { return IsDlgButtonChecked(hwnd(), IDC_MAKEBOOT_FORCE) == BST_CHECKED; }

// One disk job at a time: the progress window keeps the page from clicks, but not from
// commands sent to it.
bool MakeBootDlg::RefusedWhileBusy() {
  DiskJob job = m_job;
  if (job == DiskJob::None) return false;
  Exclaim(job == DiskJob::Restore ? boot_disk::kAlreadyRestoring : boot_disk::kAlreadyMaking);
  return true;
}

void MakeBootDlg::OnMake() {
  if (RefusedWhileBusy()) return;
  boot_disk::MakeRequest request;
  request.sizeMb = boot_disk::ReadPartitionSize(WindowText(Item(IDC_MAKEBOOT_SIZE)));
  const boot_disk::DeviceChoice* choice = SelectedChoice();
  std::wstring refusal = boot_disk::MakeRefusal(request.sizeMb, boot_disk::DiskNumberOfEntry(SelectedEntry()));
  if (refusal.empty() && !choice) refusal = L"请选择一个磁盘！";
  if (refusal.empty())
    refusal = boot_disk::DiskRefusal(choice->identity, {m_strFbinstPath, m_strArchivePath},
                                     boot_disk::CopySources(*this, GetModuleFolder()));
  if (!refusal.empty()) {
    Exclaim(refusal);
    return;
  }
  request.disk = choice->identity;
  request.config = *this;
  request.force = ForceFormat();
  refusal = boot_disk::PlanRefusal(request);
  if (!refusal.empty()) {
    Exclaim(refusal);
    return;
  }
  if (!boot_disk::Confirm(boot_disk::MakeQuestion(request.disk))) return;
  m_job = DiskJob::Make;
  // The result stays on the progress window until the user closes it.
  RunBehindProgress([&request](Progress& progress) { return Told(boot_disk::MakeBootDisk(request, progress)); },
                    nullptr, true);
  m_job = DiskJob::None;
}

void MakeBootDlg::OnRestore() {
  if (RefusedWhileBusy()) return;
  std::wstring entry = SelectedEntry();
  const boot_disk::DeviceChoice* choice = SelectedChoice();
  std::wstring refusal = boot_disk::RestoreStartRefusal(m_strFbinstPath, entry, choice);
  if (!refusal.empty()) {
    Exclaim(refusal);
    return;
  }
  boot_disk::RestoreRequest request{m_strFbinstPath, choice->identity, ForceFormat()};
  if (!boot_disk::Confirm(boot_disk::RestoreQuestion(entry))) return;
  m_job = DiskJob::Restore;
  RunBehindProgress([&request](Progress& progress) { return Told(boot_disk::RestoreBootDisk(request, progress)); },
                    nullptr, true);
  m_job = DiskJob::None;
}

void MakeBootDlg::OnCopyData() {
  if (!m_copyDataDlg) m_copyDataDlg = std::make_unique<CopyDataDlg>(this);
  m_copyDataDlg->DoModal(GetAncestor(hwnd(), GA_ROOT));
}

void MakeBootDlg::OnMakeConfig() {
  if (!m_makeConfigDlg) m_makeConfigDlg = std::make_unique<MakeConfigDlg>(this);
  m_makeConfigDlg->DoModal(GetAncestor(hwnd(), GA_ROOT));
}
