// The main window of the whole program under Wine: title, banner, the seven tabs and
// their pages, keys inside pages, the system menu and the About box, the manifest.
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "resources/version.h"
#include "tests/e2e/fixture.h"

namespace {

const wchar_t* const kCaptions[] = {L"主页面", L"备份还原", L"制作启动盘", L"使用教程",
                                    L"实用工具", L"驱动管理", L"必备软件"};

// What the program reads for its title: ProductName of the 32-bit registry view and
// whether this 32-bit process runs on a 64-bit Windows.
std::wstring ExpectedTitle() {
  wchar_t name[130] = {};
  DWORD bytes = sizeof name - sizeof(wchar_t);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MicroSoft\\Windows NT\\CurrentVersion", 0,
                    KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    RegQueryValueExW(key, L"ProductName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &bytes);
    RegCloseKey(key);
  }
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  return std::wstring(L"Rigmate - ") + name + (wow64 ? L" 64位" : L" 32位");
}

RECT ClientRectIn(HWND window, HWND reference) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::vector<int> VisiblePages(const std::vector<HWND>& pages) {
  std::vector<int> visible;
  for (size_t i = 0; i < pages.size(); ++i)
    if (IsWindowVisible(pages[i])) visible.push_back(static_cast<int>(i));
  return visible;
}

// The first control of a page, or the page itself while it has none.
HWND KeyTarget(HWND page) {
  HWND child = GetWindow(page, GW_CHILD);
  return child ? child : page;
}

TEST_F(RigmateE2E, MainWindowShowsTitleBannerAndSevenTabsInOrder) {
  ASSERT_TRUE(StartRigmate());
  Shot("start");
  EXPECT_EQ(e2e::WindowText(main()), ExpectedTitle());
  EXPECT_NE(e2e::WindowText(main()).find(L" 64位"), std::wstring::npos)
      << "a 32-bit program in Wine's default 64-bit prefix";

  ASSERT_EQ(e2e::TabCount(tab()), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(e2e::TabCaption(tab(), i), kCaptions[i]) << "tab " << i;
  EXPECT_EQ(e2e::TabSelection(tab()), 0);

  // The banner shows the whole 522 x 76 picture inside the window.
  HWND banner = GetDlgItem(main(), 1999);
  ASSERT_TRUE(banner);
  EXPECT_TRUE(IsWindowVisible(banner));
  DWORD_PTR picture = 0;
  SendMessageTimeoutW(banner, STM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_ABORTIFHUNG, 5000, &picture);
  EXPECT_NE(picture, 0u);
  RECT client = {};
  GetClientRect(main(), &client);
  RECT shown = ClientRectIn(banner, main());
  EXPECT_EQ(shown.right - shown.left, 522);
  EXPECT_EQ(shown.bottom - shown.top, 76);
  EXPECT_GE(client.right, shown.right) << "banner clipped on the right";

  // Seven pages inside the tab control, each on the page rectangle, only the first shown.
  std::vector<HWND> pages = Pages();
  ASSERT_EQ(pages.size(), 7u);
  RECT area = {};
  ASSERT_TRUE(e2e::TabDisplayArea(tab(), &area));
  for (HWND page : pages) {
    RECT rect = ClientRectIn(page, tab());
    EXPECT_TRUE(EqualRect(&rect, &area)) << "a page off the tab control's display area";
  }
  EXPECT_EQ(VisiblePages(pages), std::vector<int>{0});
}

// Started alone in its folder: one notice names each place looked at, on a line of its
// own, and what the folder holds; then the pages answer as usual.
TEST_F(RigmateE2E, FirstRunWithoutDataFolderSaysWhereItLookedOnce) {
  LeaveOutDataFolder();
  ASSERT_TRUE(StartRigmate());
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"找不到数据文件夹Rigmate", &box));
  Shot("no-data-folder");
  for (const std::wstring& place : {ProgramFolder() + L"\\Rigmate", std::wstring(L"D:\\Rigmate")})
    EXPECT_NE(box.text.find(L"\n" + place + L"\n"), std::wstring::npos) << e2e::WideToUtf8(box.text);
  EXPECT_NE(box.text.find(L"请把整个Rigmate文件夹放到本软件所在的文件夹"), std::wstring::npos);
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));
  ASSERT_TRUE(e2e::SelectTab(tab(), 5));
  ASSERT_TRUE(e2e::ClickButton(Pages().at(5), 1001));
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"找不到相应的文件！", &box));
  EXPECT_EQ(box.text, L"找不到相应的文件！\n" + ProgramFolder() + L"\\Rigmate\\DRIVER_GENUS\\驱动精灵单文件版.exe");
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));
  Settle();
  EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "told once";
}

// Wine's imaging API cannot open a WIM file (error 120): the tool pack's box shows the
// code, and the system's own text for it on the next line.
TEST_F(RigmateE2E, AnErrorCodeComesWithTheSystemsText) {
  WriteFile(L"program\\WEPE\\WEPE64.WIM", "not a WIM");
  WriteFile(L"program\\WEPE\\WEPE32.WIM", "not a WIM");
  ASSERT_TRUE(StartRigmate());
  ASSERT_TRUE(e2e::SelectTab(tab(), 4));
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"挂载工具包失败！", &box));
  const std::wstring first = L"挂载工具包失败！错误代码：120\n";
  EXPECT_EQ(box.text.substr(0, first.size()), first);
  EXPECT_GT(box.text.size(), first.size() + 4) << e2e::WideToUtf8(box.text);
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));
}

TEST_F(RigmateE2E, EachTabShowsItsOwnPageAndPagesKeepTheirWindows) {
  // The software page reads its catalogue behind a progress dialog, which stays open
  // with its failure when there is no map: an empty one lets it close by itself.
  WriteFile(L"program\\Rigmate\\SOFTWARE\\SOFT_MAP", "");
  ASSERT_TRUE(StartRigmate());
  std::vector<HWND> pages = Pages();
  ASSERT_EQ(pages.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(e2e::SelectTab(tab(), i)) << "tab " << i;
    ASSERT_TRUE(e2e::WaitUntil([&] { return VisiblePages(pages) == std::vector<int>{i}; }, 5000))
        << "tab " << i;
    Settle();
    Shot("tab-" + std::to_string(i));
  }
  // Back and forth: the same page windows come back, nothing is made anew.
  for (int i : {2, 3, 2, 0}) {
    ASSERT_TRUE(e2e::SelectTab(tab(), i));
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePages(pages) == std::vector<int>{i}; }, 5000));
  }
  EXPECT_EQ(Pages(), pages);
  EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "no dialog besides the main window";
}

TEST_F(RigmateE2E, EnterAndEscInsideAPageChangeNothing) {
  ASSERT_TRUE(StartRigmate());
  std::vector<HWND> pages = Pages();
  ASSERT_EQ(pages.size(), 7u);
  for (int i : {0, 1, 5}) {
    ASSERT_TRUE(e2e::SelectTab(tab(), i));
    HWND target = KeyTarget(pages[static_cast<size_t>(i)]);
    e2e::PostKey(target, VK_RETURN);
    e2e::PostKey(target, VK_ESCAPE);
    Settle();
    EXPECT_TRUE(app().Running()) << "page " << i;
    EXPECT_EQ(VisiblePages(pages), std::vector<int>{i}) << "page " << i;
    EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "a key pressed a button on page " << i;
  }
}

// The focus is on the tab control after start-up: Enter and Esc there end nothing.
TEST_F(RigmateE2E, EnterAndEscOnTheTabControlLeaveTheProgramRunning) {
  ASSERT_TRUE(StartRigmate());
  e2e::PostKey(tab(), VK_RETURN);
  e2e::PostKey(tab(), VK_ESCAPE);
  Settle();
  EXPECT_TRUE(app().Running());
  EXPECT_TRUE(IsWindowVisible(main()));
}

TEST_F(RigmateE2E, AboutBoxOpensFromTheSystemMenuAndClosesWithOk) {
  ASSERT_TRUE(StartRigmate());
  // The About item sits at the end of the system menu.
  e2e::PostSysCommand(main(), 0x10);
  HWND about = nullptr;
  ASSERT_TRUE(e2e::WaitUntil([&] {
    for (const e2e::Box& box : e2e::Boxes(app().id()))
      if (box.caption == L"关于 Rigmate") about = box.window;
    return about != nullptr;
  }));
  Settle();
  Shot("about");
  EXPECT_EQ(GetWindow(about, GW_OWNER), main());
  EXPECT_FALSE(IsWindowEnabled(main())) << "the About box is modal";
  // The version as the program file's version resource gives it; the payload of this
  // build is complete.
  EXPECT_EQ(e2e::ItemText(about, IDC_ABOUT_VERSION), L"Rigmate " RIGMATE_VERSION_TEXT L" 版");
  EXPECT_EQ(e2e::ItemText(about, IDC_ABOUT_PAYLOAD), L"DOS 安装环境：完整");
  EXPECT_EQ(e2e::ItemText(about, IDOK), L"确定");

  ASSERT_TRUE(e2e::ClickButton(about, IDOK));
  EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 5000));
  EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(main()) != FALSE; }, 5000));
  EXPECT_TRUE(app().Running());
}

TEST_F(RigmateE2E, OtherSystemCommandsKeepTheirUsualBehaviour) {
  ASSERT_TRUE(StartRigmate());
  e2e::PostSysCommand(main(), SC_MINIMIZE);
  // (The icon of the minimized window is checked in-process: Wine does not carry
  // WM_QUERYDRAGICON between processes.)
  ASSERT_TRUE(e2e::WaitUntil([&] { return IsIconic(main()) != FALSE; }, 5000));
  e2e::PostSysCommand(main(), SC_RESTORE);
  ASSERT_TRUE(e2e::WaitUntil([&] { return !IsIconic(main()); }, 5000));
  EXPECT_TRUE(IsWindowVisible(main()));

  e2e::PostSysCommand(main(), SC_CLOSE);
  DWORD code = 99;
  ASSERT_TRUE(app().WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(RigmateE2E, ManifestAsksForAdministratorRightsAndCommonControls6) {
  std::wstring exe = BuildFolder() + L"\\Rigmate-e2e.exe";
  HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(image);
  HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_TRUE(resource);
  std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, resource))),
                       SizeofResource(image, resource));
  FreeLibrary(image);
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);

  // And the running program did get version 6, which Wine keeps in winsxs.
  ASSERT_TRUE(StartRigmate());
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, app().id());
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
  std::wstring comctl;
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
    if (lstrcmpiW(module.szModule, L"comctl32.dll") == 0) comctl = module.szExePath;
  CloseHandle(snapshot);
  for (auto& c : comctl) c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(comctl.find(L"winsxs"), std::wstring::npos) << e2e::WideToUtf8(comctl);
}

}  // namespace
