// The main window at 150 % and 200 % (tests/e2e/run-at-dpi runs it in a Wine prefix at that
// DPI): the banner spans the window's width, and the lists' icons take the system's
// small-icon size.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/rigmate_dlg.h"
#include "tests/win/step_runner.h"

TEST(MainWindowAtHighDpi, BannerSpansTheWindowAndListIconsTakeTheSmallIconSize) {
  const int icon = GetSystemMetrics(SM_CXSMICON);
  if (icon <= 16) GTEST_SKIP() << "runs in the prefixes of tests/e2e/run-at-dpi";
  CRigmateDlg dialog;
  RECT client = {}, banner = {}, area = {0, 0, 348, 51};
  std::vector<int> iconWidths;
  const int lists[][2] = {{1, IDC_INSTALL_PARTITIONS}, {3, IDC_COURSE_VIDEO_LIST}, {4, IDC_TOOLS_LIST}, {6, IDC_SOFTWARE_LIST}};
  StepRunner().Run(dialog, {StepRunner::WaitUntil([&] { return dialog.Page(6)->hwnd() != nullptr; }), [&](HWND main) {
                              GetClientRect(main, &client);
                              MapDialogRect(main, &area);
                              GetWindowRect(GetDlgItem(main, IDC_BANNER), &banner);
                              MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&banner), 2);
                              for (const auto& list : lists) {
                                int cx = 0, cy = 0;
                                ImageList_GetIconSize(ListView_GetImageList(GetDlgItem(dialog.Page(list[0])->hwnd(), list[1]),
                                                                            LVSIL_SMALL), &cx, &cy);
                                iconWidths.push_back(cx);
                              }
                            }});
  EXPECT_EQ(banner.left, 0);
  EXPECT_EQ(banner.right, client.right) << "a grey band beside the banner";
  EXPECT_NEAR(banner.bottom, std::min<double>(area.bottom, client.right * 76.0 / 522), 1.0) << "out of proportion";
  EXPECT_EQ(iconWidths, std::vector<int>(4, icon));
}
