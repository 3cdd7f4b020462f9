// The main window in-process: pages and their first-show hooks, the tab switch, keys
// inside pages, the system menu and the About box, the title, the PE flag at start-up,
// and KXDialog's own rules on a dialog of the test.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ui/kxdialog.h"
#include "app/rigmate_dlg.h"
#include "pages/toolbox/software_dlg.h"
#include "platform/machine_change.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "tests/fakes/fake_seam.h"
#include "tests/standin/standin_log.h"
#include "tests/win/step_runner.h"
#include "tests/win/test_drives.h"

namespace {

// The pages shown in the tab, by their own flag: it tells before the window itself shows.
std::vector<int> VisiblePages(CRigmateDlg& dialog) {
  std::vector<int> visible;
  for (int i = 0; i < CRigmateDlg::kPageCount; ++i) {
    HWND page = dialog.Page(i)->hwnd();
    if (page && (GetWindowLongPtrW(page, GWL_STYLE) & WS_VISIBLE)) visible.push_back(i);
  }
  return visible;
}

std::vector<int> PagesWithHookRun(CRigmateDlg& dialog) {
  std::vector<int> run;
  for (int i = 0; i < CRigmateDlg::kPageCount; ++i)
    if (!dialog.Page(i)->FirstShowPending()) run.push_back(i);
  return run;
}

bool AllPagesMade(CRigmateDlg& dialog) {
  for (int i = 0; i < CRigmateDlg::kPageCount; ++i)
    if (!dialog.Page(i)->hwnd()) return false;
  return true;
}

// Selects a tab as a click does: the control's selection, then its notification.
void SelectTab(HWND main, int index) {
  HWND tab = GetDlgItem(main, IDC_TAB);
  SendMessageW(tab, TCM_SETCURSEL, index, 0);
  NMHDR header = {tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(main, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
}

void PostKey(HWND window, UINT key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

BOOL CALLBACK TakeAbout(HWND window, LPARAM out) {
  if (!IsWindowVisible(window) || WindowText(window) != L"关于 Rigmate") return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// The About box of this thread, if one is shown.
HWND FindAbout() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeAbout, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The other pages are made after the window is shown: hidden, in tab order, without
// their hooks, and without taking the focus.
TEST(MainWindow, StartsWithOnlyTheMainPageShownAndOnlyItsHookRun) {
  CRigmateDlg dialog;
  std::vector<int> visible, hooked;
  std::vector<HWND> order, expectedOrder;
  bool dialogVisible = false;
  bool focusHidden = false;
  HWND tab = nullptr;
  StepRunner().Run(dialog, {StepRunner::WaitUntil([&] { return AllPagesMade(dialog); }),
                            [&](HWND main) {
                              tab = GetDlgItem(main, IDC_TAB);
                              visible = VisiblePages(dialog);
                              hooked = PagesWithHookRun(dialog);
                              dialogVisible = IsWindowVisible(main) != FALSE;
                              // (Another test's window may take the activation, and with it
                              // the focus, meanwhile: no focus is no fault here.)
                              HWND focus = GetFocus();
                              focusHidden = focus && !IsWindowVisible(focus);
                              for (HWND w = GetWindow(tab, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
                                order.push_back(w);  // from the top: creation order
                              for (int i = 0; i < CRigmateDlg::kPageCount; ++i)
                                expectedOrder.push_back(dialog.Page(i)->hwnd());
                            }});
  EXPECT_TRUE(dialogVisible);
  EXPECT_EQ(visible, std::vector<int>{0});
  EXPECT_EQ(hooked, std::vector<int>{0});
  EXPECT_FALSE(focusHidden) << "a page made hidden took the focus";
  EXPECT_EQ(order, expectedOrder);
}

// A tab chosen before the other pages are made (a click taken before the window's
// first idle moment) makes and shows its page at once.
TEST(MainWindow, TabChosenBeforeThePagesAreMadeShowsItsPage) {
  struct ChoosesAtOnce : CRigmateDlg {
    std::vector<int> visible;
    bool otherMade = true;
    bool OnInitDialog() override {
      bool result = CRigmateDlg::OnInitDialog();
      SelectTab(hwnd(), 3);
      visible = VisiblePages(*this);
      otherMade = Page(2)->hwnd() != nullptr;
      return result;
    }
  } dialog;
  StepRunner().Run(dialog, {});
  EXPECT_EQ(dialog.visible, std::vector<int>{3});
  EXPECT_FALSE(dialog.otherMade) << "made before the window was shown";
}

TEST(MainWindow, TabSwitchShowsOnePageAndRunsEachHookOnFirstSelection) {
  CRigmateDlg dialog;
  std::vector<std::vector<int>> visible, hooked;
  auto record = [&](HWND) {
    visible.push_back(VisiblePages(dialog));
    hooked.push_back(PagesWithHookRun(dialog));
  };
  auto select = [&](int index) { return [index](HWND main) { SelectTab(main, index); }; };
  StepRunner().Run(dialog, {select(2), record, select(3), record, select(2), record,
                            // An index outside the tabs changes nothing.
                            [](HWND main) {
                              NMHDR header = {GetDlgItem(main, IDC_TAB), IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
                              SendMessageW(GetDlgItem(main, IDC_TAB), TCM_SETCURSEL, 9, 0);
                              SendMessageW(main, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
                            },
                            record});
  ASSERT_EQ(visible.size(), 4u);
  EXPECT_EQ(visible[0], std::vector<int>{2});
  EXPECT_EQ(visible[1], std::vector<int>{3});
  EXPECT_EQ(visible[2], std::vector<int>{2});
  EXPECT_EQ(visible[3], std::vector<int>{2});
  EXPECT_EQ(hooked[0], (std::vector<int>{0, 2}));
  EXPECT_EQ(hooked[1], (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(hooked[2], (std::vector<int>{0, 2, 3}));
}

TEST(MainWindow, PagesFillTheDisplayAreaBelowTheRowOfTabs) {
  CRigmateDlg dialog;
  std::vector<RECT> rects;
  RECT expected = {}, row = {}, client = {};
  StepRunner().Run(dialog, {StepRunner::WaitUntil([&] { return AllPagesMade(dialog); }), [&](HWND main) {
    HWND tab = GetDlgItem(main, IDC_TAB);
    GetClientRect(tab, &client);
    SendMessageW(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    expected = CRigmateDlg::PageRect(tab);
    for (int i = 0; i < CRigmateDlg::kPageCount; ++i) {
      RECT r = {};
      GetWindowRect(dialog.Page(i)->hwnd(), &r);
      MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&r), 2);
      rects.push_back(r);
      EXPECT_EQ(GetParent(dialog.Page(i)->hwnd()), tab);
    }
  }});
  ASSERT_EQ(rects.size(), 7u);
  for (const RECT& r : rects) EXPECT_TRUE(EqualRect(&r, &expected));
  EXPECT_GE(expected.top, row.bottom) << "a page covers the row of tabs";
  EXPECT_GT(expected.left, client.left);
  EXPECT_LT(expected.right, client.right);
  EXPECT_LT(expected.bottom, client.bottom);
}

TEST(MainWindow, OpensCentredOnTheWorkArea) {
  CRigmateDlg dialog;
  RECT window = {}, work = {};
  StepRunner().Run(dialog, {[&](HWND main) {
    GetWindowRect(main, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  }});
  EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
  EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);
  // Larger than the work area: the title bar stays on the screen.
  const RECT big = CRigmateDlg::CentredRect(RECT{0, 0, 900, 700}, RECT{100, 50, 900, 650});
  EXPECT_EQ(big.left, 100);
  EXPECT_EQ(big.top, 50);
  EXPECT_EQ(big.right, 1000);
}

// Posted keys carry no key state: Shift and Ctrl are set in this thread's own.
void HoldKeys(bool shift, bool control) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  keys[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A key pressed on the focused window with Shift and Ctrl as given; they are let go
// once it has been handled (the next step).
void PressOnFocus(UINT key, bool shift = false, bool control = false) {
  HoldKeys(shift, control);
  PostKey(GetFocus(), key);
}

int FocusId() { return GetDlgCtrlID(GetFocus()); }

TEST(MainWindow, EnterAndEscInsideAPageChangeNothingButOpenDropDownsTakeThem) {
  CRigmateDlg dialog;
  bool running = false, ticked = true;
  std::vector<int> visible;
  std::vector<LRESULT> dropped;
  LRESULT choice = -1;
  HWND compress = nullptr;
  StepRunner().Run(dialog, {
      [&](HWND main) { SelectTab(main, 1); },
      // On a check box of the backup and restore page: neither key does anything.
      [&](HWND) {
        SetFocus(GetDlgItem(dialog.Page(1)->hwnd(), IDC_INSTALL_REBOOT));
        PressOnFocus(VK_RETURN);
        PressOnFocus(VK_ESCAPE);
        PostKey(dialog.Page(1)->hwnd(), VK_ESCAPE);
      },
      [&](HWND) {
        running = dialog.IsModalRunning();
        visible = VisiblePages(dialog);
        ticked = IsDlgButtonChecked(dialog.Page(1)->hwnd(), IDC_INSTALL_REBOOT) == BST_CHECKED;
        // The compression box, enabled in a backup mode, with its list open.
        SendMessageW(GetDlgItem(dialog.Page(1)->hwnd(), IDC_INSTALL_MODE_GHO), BM_CLICK, 0, 0);
        compress = GetDlgItem(dialog.Page(1)->hwnd(), IDC_INSTALL_COMPRESS);
        SetFocus(compress);
        SendMessageW(compress, CB_SHOWDROPDOWN, TRUE, 0);
        dropped.push_back(SendMessageW(compress, CB_GETDROPPEDSTATE, 0, 0));
        PressOnFocus(VK_ESCAPE);
      },
      [&](HWND) {
        dropped.push_back(SendMessageW(compress, CB_GETDROPPEDSTATE, 0, 0));
        SendMessageW(compress, CB_SHOWDROPDOWN, TRUE, 0);
        PressOnFocus(VK_DOWN);
        PressOnFocus(VK_RETURN);
      },
      [&](HWND) {
        dropped.push_back(SendMessageW(compress, CB_GETDROPPEDSTATE, 0, 0));
        choice = SendMessageW(compress, CB_GETCURSEL, 0, 0);
        running = running && dialog.IsModalRunning();
      }});
  EXPECT_TRUE(running) << "a key inside a page ended the main window";
  EXPECT_EQ(visible, std::vector<int>{1});
  EXPECT_FALSE(ticked);
  EXPECT_EQ(dropped, (std::vector<LRESULT>{TRUE, FALSE, FALSE})) << "Escape and Enter close the open list";
  EXPECT_EQ(choice, 1) << "Enter takes the choice of the open list";
}

TEST(MainWindow, TabMovesBetweenTheStripAndThePageCtrlTabSwitchesPages) {
  CRigmateDlg dialog;
  HWND tab = nullptr;
  std::vector<int> focus;       // control IDs; the strip is IDC_TAB
  std::vector<int> selected;
  std::vector<std::vector<int>> visible;
  auto record = [&](HWND) {
    HoldKeys(false, false);
    focus.push_back(FocusId());
  };
  auto recordPage = [&](HWND main) {
    record(main);
    selected.push_back(static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0)));
    visible.push_back(VisiblePages(dialog));
  };
  auto press = [](UINT key, bool shift = false, bool control = false) {
    return [=](HWND) { PressOnFocus(key, shift, control); };
  };
  std::vector<StepRunner::Step> steps = {
      [&](HWND main) {
        tab = GetDlgItem(main, IDC_TAB);
        SelectTab(main, 1);
        SetFocus(tab);
      },
      press(VK_TAB), record,                 // into the page: its ticked radio button
      press(VK_TAB, true), record,           // and back out to the strip
      press(VK_TAB, true), record,           // into the page from its end
      press(VK_TAB), record,                 // past the end: the strip again
      press(VK_TAB),                         // into the page, then the next page from there
      press(VK_TAB, false, true), recordPage,
      press(VK_TAB, true, true), recordPage, // Ctrl+Shift+Tab back again
      press(VK_TAB, false, true), record,    // the boot-disk page, row by row
  };
  for (int i = 0; i < 7; ++i) {
    steps.push_back(press(VK_TAB));
    steps.push_back(record);
  }
  StepRunner().Run(dialog, steps);
  std::vector<int> expected = {IDC_INSTALL_MODE_RESTORE, IDC_TAB, IDC_INSTALL_EXECUTE, IDC_TAB,
                               IDC_MAKEBOOT_DEVICE, IDC_INSTALL_MODE_RESTORE, IDC_MAKEBOOT_DEVICE,
                               IDC_MAKEBOOT_SIZE, IDC_MAKEBOOT_DATA, IDC_MAKEBOOT_TOOLS, IDC_MAKEBOOT_FORCE,
                               IDC_MAKEBOOT_START, IDC_MAKEBOOT_RESTORE, IDC_MAKEBOOT_TEST};
  EXPECT_EQ(focus, expected);
  EXPECT_EQ(selected, (std::vector<int>{2, 1}));
  EXPECT_EQ(visible, (std::vector<std::vector<int>>{{2}, {1}}));
}

BOOL CALLBACK TakeDialogWithText(HWND window, LPARAM data) {
  auto* want = reinterpret_cast<std::pair<std::wstring, HWND>*>(data);
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  if (!IsWindowVisible(window) || std::wstring(cls) != L"#32770") return TRUE;
  if (WindowText(window) != want->first && WindowText(GetDlgItem(window, 0xFFFF)) != want->first) return TRUE;
  want->second = window;
  return FALSE;
}

// A shown dialog of this thread whose caption or message-box text is this.
HWND FindDialog(const std::wstring& text) {
  std::pair<std::wstring, HWND> want(text, nullptr);
  EnumThreadWindows(GetCurrentThreadId(), TakeDialogWithText, reinterpret_cast<LPARAM>(&want));
  return want.second;
}

int CountDialogs(const std::wstring& text) {
  int count = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && WindowText(w) == text)
      ++count;
  return count;
}

// The search dialog from the keyboard: Enter on a focused button opens it, Enter in it
// is its default button, a box raised in it belongs to it (so closing the box leaves
// the main window disabled and the dialog cannot be opened a second time), Esc cancels.
TEST(MainWindow, SearchDialogFromTheKeyboardKeepsTheMainWindowDisabled) {
  CRigmateDlg dialog;
  HWND search = nullptr, box = nullptr;
  bool boxOwnedBySearch = false;
  std::vector<bool> mainEnabled;
  int copies = 0;
  RECT mainRect = {}, searchRect = {};
  auto noteMain = [&](HWND main) { mainEnabled.push_back(IsWindowEnabled(main) != FALSE); };
  StepRunner().Run(dialog, {
      [&](HWND main) { SelectTab(main, 1); },
      [&](HWND) {
        SetFocus(GetDlgItem(dialog.Page(1)->hwnd(), IDC_INSTALL_SEARCH));
        PressOnFocus(VK_RETURN);
      },
      [&](HWND main) {
        search = FindDialog(L"搜索GHO文件");
        ASSERT_TRUE(search) << "Enter on the focused button opened the search dialog";
        GetWindowRect(main, &mainRect);
        GetWindowRect(search, &searchRect);
        noteMain(main);
        HWND depth = GetDlgItem(search, IDC_SEARCH_DEPTH);
        SetWindowTextW(depth, L"0");
        SetFocus(depth);
        PressOnFocus(VK_RETURN);  // "搜索": the depth is refused in a box
      },
      [&](HWND main) {
        box = FindDialog(L"目录深度输入不正确！\n请输入1到10之间的数字。");
        ASSERT_TRUE(box);
        boxOwnedBySearch = GetWindow(box, GW_OWNER) == search;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        noteMain(main);
      },
      [&](HWND main) {
        noteMain(main);
        // A click that reached the button anyway opens no second copy.
        SendMessageW(dialog.Page(1)->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INSTALL_SEARCH, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog.Page(1)->hwnd(), IDC_INSTALL_SEARCH)));
        copies = CountDialogs(L"搜索GHO文件");
        SetFocus(GetDlgItem(search, IDC_SEARCH_FOUND));
        PressOnFocus(VK_ESCAPE);
      },
      [&](HWND main) {
        noteMain(main);
        search = FindDialog(L"搜索GHO文件");
      }});
  EXPECT_TRUE(boxOwnedBySearch) << "the box belongs to the dialog the user is in";
  EXPECT_EQ(mainEnabled, (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(search, nullptr) << "Esc cancelled the search dialog";
  // Opened centred on the main window.
  EXPECT_NEAR((searchRect.left + searchRect.right) / 2, (mainRect.left + mainRect.right) / 2, 1);
  EXPECT_NEAR((searchRect.top + searchRect.bottom) / 2, (mainRect.top + mainRect.bottom) / 2, 1);
}

// An installer of the software page that runs until the test lets it end.
class BlockingInstallerSeam : public FakeSeam {
 public:
  BlockingInstallerSeam() : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~BlockingInstallerSeam() override { CloseHandle(release); }
  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                   bool show) override {
    if (wait) WaitForSingleObject(release, 30000);
    return FakeSeam::StartProcess(application, commandLine, wait, show);
  }
  HANDLE release;
};

// Enter and Esc on the tab control (where the focus is after start-up) close nothing;
// the close box asks while the software page installs, and closes only on Yes.
TEST(MainWindow, ClosesOnlyByItsCloseBoxAndAsksWhileAJobRuns) {
  BlockingInstallerSeam fake;
  ScopedSeam use(&fake);
  fake.modulePath = L"C:\\prog\\Rigmate.exe";
  fake.AddFile(L"C:\\prog\\Rigmate\\SOFTWARE\\SOFT_MAP", "Editor|a.exe|text|/S\r\n");
  fake.AddFile(L"C:\\prog\\Rigmate\\SOFTWARE\\a.exe");
  const std::wstring question = L"后台任务尚未完成，退出后未完成的任务将不再继续。是否退出？";
  auto questions = [&] {
    int asked = 0;
    for (const auto& box : fake.messages) asked += box.text == question;
    return asked;
  };
  CRigmateDlg dialog;
  auto* software = static_cast<SoftwareDlg*>(dialog.Page(6));
  bool openAfterKeys = false, openAfterNo = false;
  auto close = [](HWND main) { SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); };
  INT_PTR result = StepRunner().Run(
      dialog, {[](HWND main) {
                 HWND tab = GetDlgItem(main, IDC_TAB);
                 SetFocus(tab);
                 PostKey(tab, VK_RETURN);
                 PostKey(tab, VK_ESCAPE);
               },
               [&](HWND) { openAfterKeys = dialog.IsModalRunning(); },
               [](HWND main) { SelectTab(main, 6); },   // the catalogue loads behind the progress window
               StepRunner::WaitUntil([&] { return software->Catalogue().size() == 1 && IsWindowEnabled(dialog.hwnd()); }),
               [&](HWND) {
                 HWND list = software->Item(IDC_SOFTWARE_LIST);
                 ListView_SetCheckState(list, 0, TRUE);
                 SendMessageW(software->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SOFTWARE_INSTALL, BN_CLICKED),
                              LPARAM(software->Item(IDC_SOFTWARE_INSTALL)));
               },
               StepRunner::WaitUntil([&] { return software->InstallRunning(); }),
               [&](HWND main) {
                 fake.QueueAnswer(IDNO);
                 close(main);
                 openAfterNo = dialog.IsModalRunning();
                 fake.QueueAnswer(IDYES);
                 close(main);
               }});
  SetEvent(fake.release);
  for (int i = 0; i < 500 && software->InstallRunning(); ++i) Sleep(10);
  EXPECT_TRUE(openAfterKeys);
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(questions(), 2);
  EXPECT_EQ(fake.messages.back().style, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
}

// Windows ending the session is refused while a staging or a disk write is under way.
TEST(MainWindow, RefusesTheEndOfTheSessionOnlyWhileAChangeIsUnderWay) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  CRigmateDlg dialog;
  std::vector<LRESULT> answers;
  auto ask = [&](HWND main) { answers.push_back(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)); };
  StepRunner().Run(dialog, {ask, [&](HWND main) { MachineChange underWay(kStagingUnderWay); ask(main); }, ask});
  EXPECT_EQ(answers, (std::vector<LRESULT>{TRUE, FALSE, TRUE}));
}

TEST(MainWindow, TitleIsTheProductWithWindowsNameAndBitness) {
  EXPECT_EQ(CRigmateDlg::TitleFor(L"Microsoft Windows 7 64位"), L"Rigmate - Microsoft Windows 7 64位");
  EXPECT_EQ(CRigmateDlg::TitleFor(L""), L"Rigmate - ");

  CRigmateDlg dialog;
  std::wstring title;
  StepRunner().Run(dialog, {[&](HWND main) { title = WindowText(main); }});
  EXPECT_EQ(title, CRigmateDlg::TitleFor(GetOSNameWithBitness()));
  EXPECT_EQ(title.substr(0, 10), L"Rigmate - ");
}

TEST(MainWindow, SystemMenuEndsWithASeparatorTheAboutItemAndTheLog) {
  CRigmateDlg dialog;
  UINT lastId = 0, separatorType = 0;
  std::wstring text;
  StepRunner().Run(dialog, {[&](HWND main) {
    HMENU menu = GetSystemMenu(main, FALSE);
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    lastId = GetMenuItemID(menu, count - 2);
    wchar_t buffer[128] = {};
    GetMenuStringW(menu, count - 2, buffer, 128, MF_BYPOSITION);
    text = buffer;
    GetMenuStringW(menu, count - 1, buffer, 128, MF_BYPOSITION);
    text += L"|" + std::wstring(buffer);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, count - 3, TRUE, &info);
    separatorType = info.fType;
  }});
  EXPECT_EQ(lastId, 0x10u);
  EXPECT_EQ(text, L"关于 Rigmate(&A)...|打开记录文件(&L)...");
  EXPECT_TRUE(separatorType & MFT_SEPARATOR);
}

TEST(MainWindow, AboutBoxOpensModallyFromTheSystemMenu) {
  CRigmateDlg dialog;
  std::vector<bool> mainEnabledWhileOpen;
  std::vector<std::wstring> versionTexts;
  int opened = 0;
  auto openAbout = [](WPARAM command) {
    return [command](HWND main) { SendMessageW(main, WM_SYSCOMMAND, command, 0); };
  };
  auto inspectAndClose = [&](HWND main) {
    HWND about = FindAbout();
    ASSERT_TRUE(about);
    ++opened;
    mainEnabledWhileOpen.push_back(IsWindowEnabled(main) != FALSE);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    wchar_t text[64] = {};
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      GetWindowTextW(child, text, 64);
      if (std::wstring(text).find(L"1.0") != std::wstring::npos) versionTexts.push_back(text);
    }
    SendMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)));
  };
  bool closedAgain = false, enabledAgain = false;
  // The low four bits of the command are the system's own: 0x1F opens the box too.
  StepRunner().Run(dialog, {openAbout(0x10), inspectAndClose, openAbout(0x1F), inspectAndClose, [&](HWND main) {
                              closedAgain = FindAbout() == nullptr;
                              enabledAgain = IsWindowEnabled(main) != FALSE;
                            }});
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(mainEnabledWhileOpen, (std::vector<bool>{false, false}));
  const std::wstring version = L"Rigmate " RIGMATE_VERSION_TEXT L" 版";
  EXPECT_EQ(versionTexts, (std::vector<std::wstring>{version, version}));
  EXPECT_TRUE(closedAgain);
  EXPECT_TRUE(enabledAgain);
}

TEST(MainWindow, OtherSystemCommandsKeepTheirUsualBehaviour) {
  CRigmateDlg dialog;
  bool iconic = false, restored = false;
  HICON dragIcon = nullptr;
  INT_PTR result = StepRunner().Run(
      dialog, {[](HWND main) { SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0); },
               [&](HWND main) {
                 iconic = IsIconic(main) != FALSE;
                 dragIcon = reinterpret_cast<HICON>(SendMessageW(main, WM_QUERYDRAGICON, 0, 0));
                 RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // the icon painting
                 SendMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
               },
               [&](HWND main) {
                 restored = !IsIconic(main) && IsWindowVisible(main);
                 SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
               }});
  EXPECT_TRUE(iconic);
  EXPECT_EQ(dragIcon, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_RIGMATE)));
  EXPECT_NE(dragIcon, nullptr);
  EXPECT_TRUE(restored);
  EXPECT_EQ(result, IDCANCEL);
}

// KXDialog on a modal dialog of the test: the hook runs on the first WM_SHOWWINDOW
// only, whether it shows or hides; Esc cancels it as in any Windows dialog.
class CountingDialog : public KXDialog {
 public:
  CountingDialog() : KXDialog(IDD_ABOUTBOX) {}
  void OnFirstShow() override { ++hooks; }
  int hooks = 0;
};

TEST(KXDialogRules, FirstShowHookRunsOnceAndEscCancelsAModalDialog) {
  CountingDialog dialog;
  std::vector<int> hooks;
  INT_PTR result = StepRunner().Run(
      dialog, {[&](HWND window) {
                 hooks.push_back(dialog.hooks);
                 ShowWindow(window, SW_HIDE);
                 ShowWindow(window, SW_SHOW);
                 hooks.push_back(dialog.hooks);
                 HWND ok = GetDlgItem(window, IDOK);
                 SetFocus(ok);
                 PostKey(ok, VK_ESCAPE);
               }});
  EXPECT_EQ(hooks, (std::vector<int>{1, 1}));
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(dialog.FirstShowPending());
}

// The PE flag, decided by the main window's constructor from a running PECMD.EXE. The
// stand-in lies on a test drive; suites on the test drives run alone, so no other test
// sees this PECMD.EXE.
class MainWindowPeFlagOnTestDrives : public TestDrivesTest {
 protected:
  void SetUp() override {
    TestDrivesTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    saved_ = g_bInPE;
    g_bInPE = 0;
  }
  void TearDown() override {
    EndPecmd();
    g_bInPE = saved_;
  }

  // A stand-in named like the PE's shell, in the given letter case; it runs a minute. It
  // is windowed, as the shell is.
  void StartPecmd(const std::wstring& name) {
    std::wstring path = Drive(0) + L"\\pe\\" + name;
    ASSERT_TRUE(MakeFolders(Drive(0) + L"\\pe"));
    ASSERT_TRUE(CopyFileW(WindowedStandinPath().c_str(), path.c_str(), FALSE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring line = L"\"" + path + L"\"";
    ASSERT_TRUE(CreateProcessW(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    CloseHandle(info.hThread);
    pecmd_ = info.hProcess;
    ASSERT_TRUE(Eventually([] { return IsProcessRunning(L"PECMD.EXE"); }));
  }
  void EndPecmd() {
    if (!pecmd_) return;
    TerminateProcess(pecmd_, 0);
    WaitForSingleObject(pecmd_, 10000);
    CloseHandle(pecmd_);
    pecmd_ = nullptr;
    EXPECT_TRUE(Eventually([] { return !IsProcessRunning(L"PECMD.EXE"); }));
  }
  static bool Eventually(const std::function<bool()>& check) {
    for (int i = 0; i < 250; ++i, Sleep(20))
      if (check()) return true;
    return false;
  }

 private:
  HANDLE pecmd_ = nullptr;
  int saved_ = 0;
};

TEST_F(MainWindowPeFlagOnTestDrives, PecmdRunningAtStartSetsTheFlagForTheWholeRun) {
  StartPecmd(L"PeCmd.exe");
  CRigmateDlg dialog;
  EXPECT_NE(g_bInPE, 0);
  std::vector<int> flags;
  StepRunner().Run(dialog, {[&](HWND) {
                              EndPecmd();
                              flags.push_back(g_bInPE);
                            },
                            [&](HWND main) {
                              SelectTab(main, 1);
                              flags.push_back(g_bInPE);
                            }});
  EXPECT_EQ(flags, (std::vector<int>{1, 1}));
}

TEST_F(MainWindowPeFlagOnTestDrives, PecmdStartedLaterLeavesTheFlagClear) {
  CRigmateDlg dialog;
  EXPECT_EQ(g_bInPE, 0);
  std::vector<int> flags;
  StepRunner().Run(dialog, {[&](HWND) {
                              StartPecmd(L"pecmd.exe");
                              flags.push_back(g_bInPE);
                            },
                            [&](HWND main) {
                              SelectTab(main, 1);
                              flags.push_back(g_bInPE);
                            }});
  EXPECT_EQ(flags, (std::vector<int>{0, 0}));
}

// The manifest of the program asks for administrator rights and version 6 of the
// common controls, which the test program (built with the same resources) has loaded.
TEST(MainWindow, ManifestAsksForAdministratorAndCommonControls6) {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_TRUE(resource);
  std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                       SizeofResource(nullptr, resource));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
  std::wstring lower = path;
  for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(lower.find(L"winsxs"), std::wstring::npos);
}

}  // namespace
