// The main window: banner, tab control and the seven pages.
#pragma once

#include <array>
#include <string>

#include "ui/dialog.h"
#include "pages/bootmedia/make_boot_dlg.h"
#include "pages/install/install_dlg.h"
#include "pages/install/main_dlg.h"
#include "pages/toolbox/course_dlg.h"
#include "pages/toolbox/driver_dlg.h"
#include "pages/toolbox/software_dlg.h"
#include "pages/toolbox/tools_dlg.h"

class CRigmateDlg : public ui::Dialog {
 public:
  static constexpr int kPageCount = 7;
  CRigmateDlg();
  ~CRigmateDlg() override;

  // The pages in tab order. Only the main page is made with the window; the others
  // once it has been painted, or when their tab is chosen first (no window before).
  KXDialog* Page(int index) { return pages_[static_cast<size_t>(index)]; }
  // Asked by the program before the run: once the window is up, the user is told when
  // no data folder is found (the window's tests leave it off).
  void TellMissingDataFolder() { tellMissingDataFolder_ = true; }
  // The rectangle the pages fill: the tab control's display area as it reports it
  // (below its row of tabs, whose height follows the font), in its client coordinates.
  static RECT PageRect(HWND tab);
  // The window title for a Windows name with bitness (empty when unknown).
  static std::wstring TitleFor(const std::wstring& osNameWithBitness);
  // Where a window of this rectangle stands centred in the work area.
  static RECT CentredRect(const RECT& window, const RECT& workArea);

 protected:
  bool OnInitDialog() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Enter and Esc never end the main window, whichever control has the focus: it
  // closes only through WM_CLOSE (close box, system menu, Alt+F4).
  void OnOK() override {}
  void OnCancel() override {}
  // Tab from the tab strip into the shown page, Ctrl+Tab to the next page from anywhere.
  bool PreTranslateMessage(MSG& msg) override;

 private:
  void AddAboutMenuItem();
  void InsertTabs();
  void CreatePage(int index);
  void CreateRemainingPages();
  void EnterComApartment();
  void TellIfNoDataFolder();
  void ShowPage(int index);
  void CentreOnWorkArea();
  bool PaintMinimized();
  void UseArtworkForDpi();
  // WM_CLOSE: asks first while a page's job runs, refuses while one writes a disk.
  void OnClose();
  KXDialog::BackgroundJob RunningJob() const;
  // WM_QUERYENDSESSION: refuses, with the reason Windows shows, while a staging or a
  // disk write is under way, as the close box refuses a disk write.
  bool AllowSessionEnd();
  void ClearSessionEndReasonWhenDone();

  HICON m_hIcon = nullptr;
  HBITMAP banner_ = nullptr;    // the banner drawn for the window's width, when it was
  HICON smallIcon_ = nullptr;   // the icon's own small size: crisper than m_hIcon scaled down
  HWND m_tab = nullptr;
  MainDlg mainPage_;
  InstallDlg installPage_;
  MakeBootDlg makeBootPage_;
  CourseDlg coursePage_;
  ToolsDlg toolsPage_;
  DriverDlg driverPage_;
  SoftwareDlg softwarePage_;
  std::array<KXDialog*, kPageCount> pages_;
  std::array<bool, kPageCount> pageTried_{};
  bool tellMissingDataFolder_ = false;
  bool comTried_ = false, comEntered_ = false;
  static constexpr UINT_PTR kCreatePagesTimer = 1;
  static constexpr UINT_PTR kSessionEndReasonTimer = 2;
};

// The About box, reached from the system menu: the version of the program file and
// whether its DOS-stage payload is complete; when it is not, what that means.
class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg();

 protected:
  bool OnInitDialog() override;

 private:
  void ShowPayloadMissing(const std::wstring& text);
  // The client area with the note shown, in dialog units (the template's note is 300 x 120 at 40, 38).
  static constexpr LONG kGrownWidth = 348, kGrownHeight = 185;
};
