// The program at 150 % (144 DPI) and 200 % (192), run by tests/e2e/run-at-dpi in a Wine
// prefix of its own: the backup and restore page and the boot-disk data dialog show
// everything, and the install queue its state column.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

// The screen's DPI of this Wine prefix, as its programs read it at their start.
DWORD PrefixDpi() {
  DWORD dpi = 96, size = sizeof dpi;
  RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi, &size);
  return dpi;
}

RECT RectIn(HWND window, HWND reference) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Each column at least as wide as its header text and the header's margins.
void ExpectHeadersWhole(HWND list, const std::vector<std::wstring>& headers) {
  for (size_t c = 0; c < headers.size(); ++c) {
    DWORD_PTR width = 0;
    SendMessageTimeoutW(list, LVM_GETCOLUMNWIDTH, c, 0, SMTO_ABORTIFHUNG, 5000, &width);
    int text = e2e::ListStringWidth(list, headers[c]);
    ASSERT_GT(text, 0);
    EXPECT_GE(static_cast<int>(width), text + 12) << e2e::WideToUtf8(headers[c]) << " is cut";
  }
}

// Every control of the window lies inside its client area.
void ExpectNothingCut(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r = RectIn(child, window);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << "control " << GetDlgCtrlID(child) << " of \"" << e2e::WideToUtf8(e2e::WindowText(window))
        << "\" is cut: " << r.right << "x" << r.bottom << " in " << client.right << "x" << client.bottom;
  }
}

class RigmateAtHighDpi : public RigmateE2E {};

TEST_F(RigmateAtHighDpi, BackupPageAndDataDialogShowEverything) {
  if (PrefixDpi() != 144) GTEST_SKIP() << "runs in the 144-DPI prefix of tests/e2e/run-at-dpi";
  ASSERT_TRUE(StartRigmate());

  // The pages below the row of tabs, on the display area the tab control reports.
  RECT area = {};
  ASSERT_TRUE(e2e::TabDisplayArea(tab(), &area));
  HWND install = Pages().at(1);
  ASSERT_TRUE(e2e::SelectTab(tab(), 1));
  Settle();
  RECT page = RectIn(install, tab());
  EXPECT_TRUE(EqualRect(&page, &area));
  ExpectNothingCut(install);
  HWND partitions = GetDlgItem(install, 1017);
  ExpectHeadersWhole(partitions, {L"盘符", L"序号", L"卷标", L"文件类型", L"可用容量", L"容量", L"磁盘类型"});
  Shot("backup-page");

  // The data dialog: its first opening searches behind the progress dialog, which
  // closes by itself; then all seven images are in sight.
  ASSERT_TRUE(e2e::SelectTab(tab(), 2));
  ASSERT_TRUE(e2e::ClickButton(Pages().at(2), 1001));
  HWND data = nullptr;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        data = nullptr;
        std::vector<e2e::Box> boxes = e2e::Boxes(app().id());
        for (const e2e::Box& box : boxes)
          if (box.caption == L"配置导入数据") data = box.window;
        return data && boxes.size() == 2;   // the main window and the dialog, no progress
      },
      60000));
  Settle();
  ExpectNothingCut(data);
  HWND list = GetDlgItem(data, 1017);
  DWORD_PTR rows = 0, perPage = 0;
  SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &rows);
  SendMessageTimeoutW(list, LVM_GETCOUNTPERPAGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &perPage);
  EXPECT_EQ(rows, 7u);
  EXPECT_GE(perPage, 7u) << "rows of the data dialog hidden";
  ExpectHeadersWhole(list, {L"名称", L"描述", L"路径"});
  Shot("data-dialog");
  ASSERT_TRUE(e2e::ClickButton(data, IDCANCEL));
}

// The install queue at 150 % and 200 %: an installed entry's 状态 is in sight beside its name.
TEST_F(RigmateAtHighDpi, SoftwarePageShowsTheQueuesStateColumn) {
  const DWORD dpi = PrefixDpi();
  if (dpi != 144 && dpi != 192) GTEST_SKIP() << "runs in the 144- and 192-DPI prefixes of tests/e2e/run-at-dpi";
  WriteFile(L"program\\Rigmate\\SOFTWARE\\SOFT_MAP", "Editor|setup.exe|text editor|/S\r\n");
  PlaceStandIn(InFolder(L"program\\Rigmate\\SOFTWARE\\setup.exe"));
  ASSERT_TRUE(StartRigmate() && e2e::SelectTab(tab(), 6));
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Boxes(app().id()).size() == 1; }, 30000));   // catalogue loaded
  HWND page = Pages().at(6), list = GetDlgItem(page, 1017);
  ASSERT_TRUE(e2e::ClickButton(page, 1014) && e2e::ClickButton(page, 1001));   // 全选, then 安装
  e2e::Box summary;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"安装队列结束", &summary) && e2e::AnswerBox(summary, IDOK));
  Settle();
  RECT client = {};
  GetClientRect(list, &client);
  DWORD_PTR name = 0, state = 0;
  SendMessageTimeoutW(list, LVM_GETCOLUMNWIDTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &name);
  SendMessageTimeoutW(list, LVM_GETCOLUMNWIDTH, 4, 0, SMTO_ABORTIFHUNG, 5000, &state);
  EXPECT_LE(static_cast<LONG>(name + state), client.right) << "状态 beyond the list's right edge";
  Shot("software-queue-" + std::to_string(dpi));
}

}  // namespace
