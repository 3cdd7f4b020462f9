// The main page's window: fills its texts and tooltips and passes clicks to the actions.
#include "pages/install/main_dlg.h"

#include "ui/controls.h"

namespace {
constexpr int kFirstQuickInstallButton = IDC_QUICK_WINXP;
}

bool MainDlg::OnInitDialog() {
  ShowSystemFacts();
  // The images behind the quick-install buttons are looked for once the window has been
  // painted (a zero timer comes after painting), or at a click on one before that.
  SetTimer(hwnd(), kFindImagesTimer, 0, nullptr);
  return true;
}

void MainDlg::FindQuickInstallImages() {
  if (imagesFound_) return;
  imagesFound_ = true;
  KillTimer(hwnd(), kFindImagesTimer);
  slots_ = main_page::SearchQuickInstallImages();
  CreateToolTips();
}

bool MainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_TIMER || wParam != kFindImagesTimer) return false;
  FindQuickInstallImages();
  result = 0;
  return true;
}

void MainDlg::ShowSystemFacts() {
  const main_page::SystemFacts facts = main_page::ReadSystemFacts();
  SetDlgItemTextW(hwnd(), IDC_PRODUCT_NAME, facts.productName.c_str());
  SetDlgItemTextW(hwnd(), IDC_BUILD, facts.build.c_str());
  SetDlgItemTextW(hwnd(), IDC_ARCHITECTURE, facts.architecture.c_str());
  SetDlgItemTextW(hwnd(), IDC_INSTALL_DATE, facts.installDate.c_str());
  SetDlgItemTextW(hwnd(), IDC_MEMORY, facts.memory.c_str());
}

void MainDlg::CreateToolTips() {
  toolTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (!toolTip_) return;
  for (int i = 0; i < main_page::kQuickInstallCount; ++i) {
    const std::wstring text = slots_[i].empty() ? L"找不到相应的快速安装镜像！" : slots_[i];
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(kFirstQuickInstallButton + i));
    tool.lpszText = const_cast<wchar_t*>(text.c_str());  // the tooltip keeps its own copy
    ToolTip(toolTip_).AddTool(tool);
  }
  ToolTip(toolTip_).Activate(true);
}

bool MainDlg::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED) return KXDialog::OnCommand(id, code, control);
  if (id >= kFirstQuickInstallButton && id < kFirstQuickInstallButton + main_page::kQuickInstallCount) {
    int index = id - kFirstQuickInstallButton;
    FindQuickInstallImages();
    main_page::QuickInstall(index, slots_[index]);
    return true;
  }
  switch (id) {
    case IDC_ONE_CLICK_BACKUP: main_page::OneClickBackup(); return true;
    case IDC_ONE_CLICK_RESTORE: main_page::OneClickRestore(); return true;
    case IDC_REMOTE_CONTROL: main_page::StartRemoteControl(); return true;
    default: return KXDialog::OnCommand(id, code, control);
  }
}

bool MainDlg::PreTranslateMessage(MSG& msg) {
  if (toolTip_) ToolTip(toolTip_).RelayEvent(msg);
  return KXDialog::PreTranslateMessage(msg);
}
