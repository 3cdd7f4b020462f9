// The tutorials and drivers pages in real windows: their templates, the video list filled
// from a map in the system's code page with the file types' icons, and a button's click.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

#include "pages/toolbox/course_dlg.h"
#include "pages/toolbox/driver_dlg.h"
#include "platform/seam_win.h"
#include "tests/fakes/fake_seam.h"

namespace {

// The fake machine's files, with the real conversion of the thread's code page.
class RealCodePageSeam : public FakeSeam {
 public:
  std::wstring AnsiToWide(const std::string& bytes) override { return real_.AnsiToWide(bytes); }

 private:
  Win32Seam real_;
};

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[260] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 260;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(ToolboxPagesWindow, VideoListFromACodePageMapAndTheDriverButtons) {
  ASSERT_EQ(GetACP(), 936u) << "run under the zh_CN locale";
  RealCodePageSeam fake;
  ScopedSeam use(&fake);
  fake.modulePath = L"C:\\kit\\Rigmate.exe";
  // 系统安装演示 and 分区 in code page 936, split over lines as the map may be.
  fake.AddFile(L"C:\\kit\\Rigmate\\COURSE\\VIDEO_MAP",
               "01.avi \xCF\xB5\xCD\xB3\xB0\xB2\xD7\xB0\xD1\xDD\xCA\xBE\r\nmissing.avi x\r\n"
               "\xB7\xD6\xC7\xF8.mp4\r\n\xD1\xDD\xCA\xBE\r\n");
  fake.AddFile(L"C:\\kit\\Rigmate\\COURSE\\01.avi");
  fake.AddFile(L"C:\\kit\\Rigmate\\COURSE\\分区.mp4");
  fake.AddFile(L"C:\\kit\\Rigmate\\RUNTIME\\scmnet_23.exe");

  // Declared before the pages, so destroyed after them.
  std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> parentWindow(
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr),
                      nullptr),
      &DestroyWindow);
  HWND parent = parentWindow.get();
  ASSERT_TRUE(parent);
  CourseDlg course;
  ASSERT_TRUE(course.Create(parent));
  HWND list = course.Item(IDC_COURSE_VIDEO_LIST);
  EXPECT_EQ(TextOf(course.Item(IDC_COURSE_MANUAL)), L"点击查阅");
  EXPECT_EQ(GetWindowLongW(course.Item(IDC_COURSE_MANUAL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(ListView_GetItemCount(list), 0) << "the map is read at the first show";
  const DWORD style = GetWindowLongW(list, GWL_STYLE);
  EXPECT_EQ(style & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_EDITLABELS), DWORD(LVS_REPORT | LVS_SINGLESEL));
  EXPECT_EQ(ListView_GetExtendedListViewStyle(list) & (LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT),
            DWORD(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT));

  ShowWindow(course.hwnd(), SW_SHOW);
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  // The video left out is named on the page, below the list, which ends above the note.
  EXPECT_EQ(course.Note(), L"VIDEO_MAP列出的1个视频不在C:\\kit\\Rigmate\\COURSE中，没有列出：missing.avi");
  RECT listRect = {}, noteRect = {};
  GetWindowRect(list, &listRect);
  GetWindowRect(course.Item(IDC_COURSE_NOTE), &noteRect);
  EXPECT_LE(listRect.bottom, noteRect.top);
  EXPECT_EQ(Cell(list, 0, 0), L"01.avi");
  EXPECT_EQ(Cell(list, 0, 1), L"系统安装演示");
  EXPECT_EQ(Cell(list, 0, 2), L"C:\\kit\\Rigmate\\COURSE\\01.avi");
  EXPECT_EQ(Cell(list, 1, 0), L"分区.mp4");
  EXPECT_EQ(Cell(list, 1, 1), L"演示");
  HIMAGELIST icons = ListView_GetImageList(list, LVSIL_SMALL);
  ASSERT_TRUE(icons);
  EXPECT_EQ(ImageList_GetImageCount(icons), 2);
  LVITEMW item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = 1;
  ASSERT_TRUE(ListView_GetItem(list, &item));
  EXPECT_EQ(item.iImage, 1);

  DriverDlg drivers;
  ASSERT_TRUE(drivers.Create(parent));
  // 1013 sits between 1010 and 1011 on screen.
  EXPECT_EQ(TextOf(drivers.Item(IDC_RUNTIME_NET_20_35)), L".NET 2.0-3.5 运行库");
  EXPECT_EQ(TextOf(drivers.Item(IDC_RUNTIME_NET_40)), L".NET 4.0 运行库");
  EXPECT_EQ(TextOf(drivers.Item(IDC_DRIVER_PACK_WIN8_64)), L"Win 8/10 64位 驱动包");
  SendMessageW(drivers.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_RUNTIME_NET_20_35, BN_CLICKED),
               reinterpret_cast<LPARAM>(drivers.Item(IDC_RUNTIME_NET_20_35)));
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"C:\\kit\\Rigmate\\RUNTIME\\scmnet_23.exe");
  EXPECT_TRUE(fake.messages.empty());
}

}  // namespace
