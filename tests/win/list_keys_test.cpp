// Enter on a list's selected row does what a double-click does, and the image search works
// from the keyboard alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/install/search_dlg.h"
#include "pages/toolbox/course_dlg.h"
#include "pages/toolbox/software_dlg.h"
#include "pages/toolbox/tools_dlg.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"
#include "tests/win/step_runner.h"

namespace {

struct RecordingCourse : CourseDlg {
  std::vector<std::wstring> opened;
  void OpenWithShell(const std::wstring& path) override { opened.push_back(path); }
};

void PressEnter(HWND window) {
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(window, WM_KEYUP, VK_RETURN, 0xC0000001);
}

HWND Popup() { return CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 900, 500, nullptr, nullptr, nullptr, nullptr); }

TEST(ListKeys, EnterOnASelectedRowDoesWhatADoubleClickDoes) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.modulePath = L"C:\\k\\Rigmate.exe";
  fake.processNames.push_back(L"PECMD.EXE");   // the tool pack of a PE: X:\Program Files
  fake.AddFile(L"C:\\k\\Rigmate\\COURSE\\VIDEO_MAP", "1.avi one\r\n2.avi two\r\n");
  fake.AddFile(L"C:\\k\\Rigmate\\SOFTWARE\\SOFT_MAP", "A|a.exe|x|/S\r\nB|b.exe|y|/q\r\n");
  fake.AddFile(L"X:\\Program Files\\TOOLS.MAP", "T1|文件工具|\\t1.exe|x\r\nT2|文件工具|\\t2.exe|y\r\n");
  for (const wchar_t* file : {L"COURSE\\1.avi", L"COURSE\\2.avi", L"SOFTWARE\\a.exe", L"SOFTWARE\\b.exe"})
    fake.AddFile(std::wstring(L"C:\\k\\Rigmate\\") + file);
  HWND parent = Popup();
  {
    RecordingCourse course;
    SoftwareDlg software;
    ToolsDlg tools;
    for (KXDialog* page : std::vector<KXDialog*>{&course, &software, &tools}) {
      ASSERT_TRUE(page->Create(parent));
      ShowWindow(page->hwnd(), SW_SHOW);   // the first show fills the list
    }
    tools.WaitForLoader();
    const HWND lists[] = {course.Item(IDC_COURSE_VIDEO_LIST), software.Item(IDC_SOFTWARE_LIST), tools.Item(IDC_TOOLS_LIST)};
    // A modal loop hands the keys to the pages first, as the main window's does.
    ui::Dialog loop(IDD_SEARCH_GHO);
    auto enterOnRow = [&](int row) {
      return [&, row](HWND) {
        for (HWND list : lists) {
          ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
          if (row >= 0) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
          PressEnter(list);
        }
      };
    };
    StepRunner().Run(loop, {enterOnRow(-1), enterOnRow(1)});   // without a row: nothing
    EXPECT_EQ(course.opened, std::vector<std::wstring>{L"C:\\k\\Rigmate\\COURSE\\2.avi"});
    ASSERT_EQ(fake.starts.size(), 2u);
    EXPECT_EQ(fake.starts[0].application + L" " + fake.starts[0].commandLine, L"C:\\k\\Rigmate\\SOFTWARE\\b.exe /q");
    EXPECT_EQ(fake.starts[1].application, L"X:\\Program Files\\t2.exe");
  }
  DestroyWindow(parent);
}

// Enter in the depth box searches; on the result list it takes the chosen path, and
// without a choice does nothing (no search either).
TEST(ListKeys, TheImageSearchIsChosenByKeyboard) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.SetDrives(L"C");
  fake.AddFile(L"C:\\a.gho");
  fake.AddFile(L"C:\\z.gho");
  TheDisk().Refresh();
  HWND page = Popup();
  HWND pathBox = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 250, 20, page,
                                 reinterpret_cast<HMENU>(IDC_SEARCH_TARGET_PATH), nullptr, nullptr);
  SearchDlg search(page);
  LRESULT rows = 0;
  auto enter = [&](int id, int choice) {
    return [&, id, choice](HWND dialog) {
      HWND list = GetDlgItem(dialog, IDC_SEARCH_FOUND);
      rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(choice), 0);
      SetFocus(GetDlgItem(dialog, id));
      PressEnter(GetDlgItem(dialog, id));
      if (id == IDC_SEARCH_FOUND) fake.AddFile(L"C:\\new.gho");   // a search would now list it
    };
  };
  EXPECT_EQ(StepRunner().Run(search, {enter(IDC_SEARCH_DEPTH, -1), enter(IDC_SEARCH_FOUND, -1), enter(IDC_SEARCH_FOUND, 1)}),
            IDCANCEL);
  EXPECT_EQ(rows, 2) << "Enter on the list searched";
  wchar_t chosen[64] = {};
  GetWindowTextW(pathBox, chosen, 64);
  EXPECT_STREQ(chosen, L"C:\\z.gho");
  DestroyWindow(page);
  SetSeam(nullptr);
  TheDisk().Refresh();
  TheDisk().foundPaths.clear();
}

}  // namespace
