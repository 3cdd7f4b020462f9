// The main window: system menu, icons, tabs, pages, title and the tab switch.
#include "app/rigmate_dlg.h"

#include <objbase.h>

#include <algorithm>
#include <string>

#include "app/banner_win.h"
#include "app/one_copy_win.h"
#include "app/program_version.h"
#include "app/session_end_win.h"
#include "platform/data_folder.h"
#include "platform/log.h"
#include "platform/machine_change.h"
#include "platform/pe_flag.h"
#include "ui/kxdialog.h"
#include "ui/tab_keys.h"
#include "platform/system.h"
#include "resources/resource.h"

namespace {
const wchar_t* const kTabCaptions[CRigmateDlg::kPageCount] = {
    L"主页面", L"备份还原", L"制作启动盘", L"使用教程", L"实用工具", L"驱动管理", L"必备软件"};
}

CRigmateDlg::~CRigmateDlg() {
  if (banner_) DeleteObject(banner_);
  if (comEntered_) CoUninitialize();
}

CAboutDlg::CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
  SetDlgItemTextW(hwnd(), IDC_ABOUT_VERSION, (L"Rigmate " + ProgramVersion() + L" 版").c_str());
  SetDlgItemTextW(hwnd(), IDC_ABOUT_PAYLOAD, PayloadStateLine().c_str());
  const std::wstring missing = PayloadMissingText();
  if (!missing.empty()) ShowPayloadMissing(missing);
  return true;
}

// The note lies hidden below the state line in the template; shown, the box grows to
// hold it and the button moves below it.
void CAboutDlg::ShowPayloadMissing(const std::wstring& text) {
  SetDlgItemTextW(hwnd(), IDC_ABOUT_PAYLOAD_NOTE, text.c_str());
  ShowWindow(GetDlgItem(hwnd(), IDC_ABOUT_PAYLOAD_NOTE), SW_SHOW);
  RECT client = {0, 0, kGrownWidth, kGrownHeight}, ok = {kGrownWidth - 57, kGrownHeight - 21, 50, 14};
  MapDialogRect(hwnd(), &client);
  MapDialogRect(hwnd(), &ok);
  SetWindowPos(GetDlgItem(hwnd(), IDOK), nullptr, ok.left, ok.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE));
  AdjustWindowRectEx(&client, style, FALSE, exStyle);
  SetWindowPos(hwnd(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
               SWP_NOMOVE | SWP_NOZORDER);
}

CRigmateDlg::CRigmateDlg()
    : ui::Dialog(IDD_RIGMATE),
      pages_{&mainPage_, &installPage_, &makeBootPage_, &coursePage_, &toolsPage_, &driverPage_,
             &softwarePage_} {
  m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_RIGMATE));
  g_bInPE = InsidePE() ? 1 : 0;
}

RECT CRigmateDlg::PageRect(HWND tab) {
  RECT r = {};
  GetClientRect(tab, &r);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

std::wstring CRigmateDlg::TitleFor(const std::wstring& osNameWithBitness) {
  if (osNameWithBitness.empty()) return L"Rigmate - ";
  return L"Rigmate - " + osNameWithBitness;
}

bool CRigmateDlg::OnInitDialog() {
  TheSeam().SetMainWindow(hwnd());
  MarkMainWindow(hwnd(), true);
  AddAboutMenuItem();
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  UseArtworkForDpi();
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : m_hIcon));
  m_tab = Item(IDC_TAB);
  InsertTabs();
  ShowPage(0);
  // The other pages are made once the window has been painted: a zero timer comes only
  // when no input, posted message or painting waits. A tab chosen before then makes its
  // page at once.
  SetTimer(hwnd(), kCreatePagesTimer, 0, nullptr);
  SetWindowTextW(hwnd(), TitleFor(GetOSNameWithBitness()).c_str());
  CentreOnWorkArea();
  return true;
}

// The program is DPI aware: at 150 % and 200 % the dialog grows with its font, by not
// quite the drawings' 1.5 and 2 times; the banner is scaled to the window's whole width.
void CRigmateDlg::UseArtworkForDpi() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  smallIcon_ = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_RIGMATE), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  RECT area = {0, 0, 348, 51};
  MapDialogRect(hwnd(), &area);
  RECT client = {};
  GetClientRect(hwnd(), &client);
  // At 100 % the template's own picture spans the window.
  if (client.right == kBannerWidth) return;
  banner_ = MakeBanner(module, client.right, area.bottom);
  // The picture control takes the bitmap's size.
  if (banner_) SendDlgItemMessageW(hwnd(), IDC_BANNER, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner_));
}

RECT CRigmateDlg::CentredRect(const RECT& window, const RECT& workArea) {
  const LONG width = window.right - window.left, height = window.bottom - window.top;
  // A window larger than the work area keeps its title bar on the screen.
  LONG left = workArea.left + (workArea.right - workArea.left - width) / 2;
  LONG top = workArea.top + (workArea.bottom - workArea.top - height) / 2;
  if (left < workArea.left) left = workArea.left;
  if (top < workArea.top) top = workArea.top;
  return RECT{left, top, left + width, top + height};
}

void CRigmateDlg::CentreOnWorkArea() {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT window = {};
  GetWindowRect(hwnd(), &window);
  const RECT r = CentredRect(window, monitor.rcWork);
  SetWindowPos(hwnd(), nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CRigmateDlg::AddAboutMenuItem() {
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  if (!menu) return;
  wchar_t text[256] = {};
  if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 256) <= 0 || !text[0]) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
  // Where a failure's message sends the user: the steps before it and their results.
  if (LoadStringW(GetModuleHandleW(nullptr), IDS_OPENLOG, text, 256) > 0 && text[0])
    AppendMenuW(menu, MF_STRING, IDM_OPENLOG, text);
}

void CRigmateDlg::InsertTabs() {
  for (int i = 0; i < kPageCount; ++i) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabCaptions[i]);
    SendMessageW(m_tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

// Makes the page hidden in the tab's display area; a page that fails to create stays
// absent and is not tried again.
void CRigmateDlg::CreatePage(int index) {
  if (pageTried_[static_cast<size_t>(index)]) return;
  pageTried_[static_cast<size_t>(index)] = true;
  KXDialog* page = pages_[static_cast<size_t>(index)];
  page->Create(m_tab);
  if (!page->hwnd()) return;
  const RECT r = PageRect(m_tab);
  MoveWindow(page->hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

// The window's thread is a single-threaded apartment from here to the window's end: the
// shell may hand what ShellExecute opens (a tutorial video, the manual) to a handler it
// reaches through COM, and the file dialogs host the shell's views. COM's libraries are
// delay-loaded: entered once the window is painted, they cost the start nothing.
void CRigmateDlg::EnterComApartment() {
  if (comTried_) return;
  comTried_ = true;
  comEntered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void CRigmateDlg::CreateRemainingPages() {
  KillTimer(hwnd(), kCreatePagesTimer);
  EnterComApartment();
  for (int i = 0; i < kPageCount; ++i) CreatePage(i);
  TellIfNoDataFolder();
}

// Without a data folder every page is empty or answers "not found": the user learns
// once, over the painted window, where it was looked for and what it should hold.
void CRigmateDlg::TellIfNoDataFolder() {
  if (!tellMissingDataFolder_) return;
  tellMissingDataFolder_ = false;
  if (!FindDataFolder().empty()) return;
  ShowMessage(NoDataFolderNotice(DataFolderCandidates()), mbox::Ok | mbox::IconExclamation);
}

void CRigmateDlg::ShowPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  CreatePage(index);
  for (int i = 0; i < kPageCount; ++i) {
    HWND page = pages_[static_cast<size_t>(i)]->hwnd();
    if (page) ShowWindow(page, i == index ? SW_SHOW : SW_HIDE);
  }
}

bool CRigmateDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_TAB || header.code != TCN_SELCHANGE) return false;
  ShowPage(static_cast<int>(SendMessageW(m_tab, TCM_GETCURSEL, 0, 0)));
  result = 0;
  return true;
}

bool CRigmateDlg::PreTranslateMessage(MSG& msg) {
  if (tab_keys::StripKey(msg, m_tab)) return true;
  return ui::Dialog::PreTranslateMessage(msg);
}

bool CRigmateDlg::PaintMinimized() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT rect;
  GetClientRect(hwnd(), &rect);
  int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(hwnd(), &ps);
  return true;
}

bool CRigmateDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_OPENLOG) {
        OpenLogFile();
      } else if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal(hwnd());
      } else {
        return false;
      }
      result = 0;
      return true;
    case WM_PAINT:
      if (!PaintMinimized()) return false;
      result = 0;
      return true;
    case WM_TIMER:
      if (wParam == kCreatePagesTimer) CreateRemainingPages();
      else if (wParam == kSessionEndReasonTimer) ClearSessionEndReasonWhenDone();
      else return false;
      result = 0;
      return true;
    case WM_DESTROY:
      MarkMainWindow(hwnd(), false);
      return false;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(m_hIcon);
      return true;
    case WM_CLOSE:
      OnClose();
      result = 0;
      return true;
    case WM_QUERYENDSESSION:
      result = AllowSessionEnd() ? TRUE : FALSE;
      return true;
    case WM_ENDSESSION:
      // The process ends after this message: the pack mounted for this run must not
      // stay mounted into the next session.
      if (wParam) toolsPage_.Shutdown();
      result = 0;
      return true;
    default:
      return false;
  }
}

KXDialog::BackgroundJob CRigmateDlg::RunningJob() const {
  KXDialog::BackgroundJob job = KXDialog::BackgroundJob::None;
  for (const KXDialog* page : pages_) job = std::max(job, page->RunningJob());
  return job;
}

bool CRigmateDlg::AllowSessionEnd() {
  const std::wstring refusal = SessionEndRefusal(RunningJob() == KXDialog::BackgroundJob::WritesDisk);
  if (refusal.empty()) return true;
  SetSessionEndReason(hwnd(), refusal);
  SetTimer(hwnd(), kSessionEndReasonTimer, 1000, nullptr);
  return false;
}

// Windows lists a program with a reason as one that holds the session up, also after
// the change that made it refuse has ended: the reason goes with the change.
void CRigmateDlg::ClearSessionEndReasonWhenDone() {
  if (!SessionEndRefusal(RunningJob() == KXDialog::BackgroundJob::WritesDisk).empty()) return;
  KillTimer(hwnd(), kSessionEndReasonTimer);
  SetSessionEndReason(hwnd(), L"");
}

void CRigmateDlg::OnClose() {
  switch (RunningJob()) {
    case KXDialog::BackgroundJob::WritesDisk:
      // Ending now would leave the disk half written.
      ShowMessage(L"正在写入磁盘，中途退出会使该磁盘无法使用，请等待任务完成后再关闭本软件！",
                  mbox::Ok | mbox::IconExclamation);
      return;
    case KXDialog::BackgroundJob::Runs:
      if (ShowMessage(L"后台任务尚未完成，退出后未完成的任务将不再继续。是否退出？",
                      mbox::YesNo | mbox::IconQuestion | mbox::DefaultNo) != mbox::IdYes)
        return;
      break;
    case KXDialog::BackgroundJob::None:
      break;
  }
  // The loader is told first: hiding the window sends messages to every thread of
  // ours, and one that arrives while the loader is busy must not let it show a box.
  toolsPage_.StopLoading();
  EndDialog(IDCANCEL);
  // Hidden by now: the loader is waited for and its mount undone before the window and
  // its pages go.
  toolsPage_.Shutdown();
}
