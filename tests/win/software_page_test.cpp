// The software page on a real window over the fake machine: its template, the list filled
// behind the progress dialog at the first show, "全选", the install button and double-clicks.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "pages/toolbox/software_dlg.h"
#include "platform/seam_win.h"
#include "tests/fakes/fake_seam.h"
#include "tests/standin/standin_log.h"

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(list, row, column, text, 256);
  return text;
}

bool Ticked(HWND list, int row) { return ListView_GetCheckState(list, row) != 0; }

// The fake machine whose queued installers are the stand-in, started for real.
class RealInstallerSeam : public FakeSeam {
 public:
  int StartProcessWatched(const std::wstring&, const std::wstring& commandLine, bool show,
                          const std::function<bool()>& keepWaiting, bool* abandoned) override {
    ++realStarts;
    return Win32Seam().StartProcessWatched(StandinPath(), commandLine, show, keepWaiting, abandoned);
  }
  std::atomic<int> realStarts{0};
};

TEST(SoftwarePage, FirstShowFillsTheCheckableListAndItsButtonsRunTheTickedInstallers) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.modulePath = L"C:\\prog\\Rigmate.exe";
  const std::wstring folder = L"C:\\prog\\Rigmate\\SOFTWARE";
  fake.AddFile(folder + L"\\SOFT_MAP", "编辑器|a.exe|文本编辑器|/S\r\nGone|gone.exe|x|/q\r\nPlayer|b.exe|播放器|/quiet\r\n");
  fake.AddFile(folder + L"\\a.exe");
  fake.AddFile(folder + L"\\b.exe");

  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
  SoftwareDlg page;
  ASSERT_TRUE(page.Create(parent));
  ShowWindow(page.hwnd(), SW_SHOW);  // the first show loads behind the progress dialog
  ASSERT_FALSE(page.FirstShowPending());

  HWND list = page.Item(IDC_SOFTWARE_LIST), all = page.Item(IDC_SOFTWARE_SELECT_ALL);
  EXPECT_EQ(TextOf(page.Item(IDC_SOFTWARE_INSTALL)), L"一键安装已选软件");
  EXPECT_EQ(TextOf(all), L"全选");
  EXPECT_EQ(GetWindowLongW(all, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_NE(FindWindowExW(page.hwnd(), nullptr, L"Static", L"提示:双击列表中的软件即可自定义安装!"), nullptr);
  const wchar_t* headings[] = {L"名称", L"描述", L"路径", L"自动安装参数", L"状态"};
  const int widths[] = {150, 430, 250, 60, 110};
  ASSERT_EQ(SendMessageW(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0), 5);
  for (int c = 0; c < 5; ++c) {
    wchar_t heading[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading;
    column.cchTextMax = 64;
    ListView_GetColumn(list, c, &column);
    EXPECT_EQ(std::wstring(heading), headings[c]);
    EXPECT_EQ(column.cx, widths[c]);
  }
  const DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES), DWORD(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES));
  EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL)), 2);

  ASSERT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(Cell(list, 0, 0), L"编辑器");
  EXPECT_EQ(Cell(list, 0, 1), L"文本编辑器");
  EXPECT_EQ(Cell(list, 1, 2), folder + L"\\b.exe");
  EXPECT_EQ(Cell(list, 1, 3), L"/quiet");
  EXPECT_FALSE(Ticked(list, 0) || Ticked(list, 1));
  // The line left out is told once the load has ended.
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"软件映射文件中有1行没有列入软件列表：\n第2行：找不到安装程序" + folder + L"\\gone.exe");
  fake.messages.clear();

  auto clickAll = [&](bool tick) {
    SendMessageW(all, BM_SETCHECK, tick ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SOFTWARE_SELECT_ALL, BN_CLICKED), LPARAM(all));
  };
  clickAll(true);
  EXPECT_TRUE(Ticked(list, 0) && Ticked(list, 1));
  clickAll(false);
  EXPECT_FALSE(Ticked(list, 0) || Ticked(list, 1));

  ListView_SetCheckState(list, 1, TRUE);
  SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SOFTWARE_INSTALL, BN_CLICKED),
               LPARAM(page.Item(IDC_SOFTWARE_INSTALL)));
  for (int i = 0; i < 500 && page.InstallRunning(); ++i) Sleep(10);
  ASSERT_FALSE(page.InstallRunning());
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, folder + L"\\b.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"Player /quiet");
  // The states and the summary reach the page as posted messages.
  MSG msg;
  for (int i = 0; i < 500 && fake.messages.empty(); ++i, Sleep(10))
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(Cell(list, 1, 4), L"安装完成");
  EXPECT_EQ(Cell(list, 0, 4), L"");
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"安装队列结束：1个安装完成，0个失败，0个没有装完。");
  EXPECT_EQ(fake.messages[0].style, 0x40u);   // the information icon: a success is no warning

  for (int row : {-1, 0}) {
    NMITEMACTIVATE click = {};
    click.hdr = {list, IDC_SOFTWARE_LIST, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = row;
    SendMessageW(page.hwnd(), WM_NOTIFY, IDC_SOFTWARE_LIST, LPARAM(&click));
  }
  ASSERT_EQ(fake.starts.size(), 2u);
  EXPECT_EQ(fake.starts[1].application, folder + L"\\a.exe");
  EXPECT_EQ(fake.starts[1].commandLine, L"/S");
  EXPECT_FALSE(fake.starts[1].wait);
  EXPECT_EQ(fake.messages.size(), 1u);
  DestroyWindow(parent);
}

TEST(SoftwarePage, AStoppedQueueStartsNoInstallerOnTopOfTheOneStillRunning) {
  RealInstallerSeam fake;
  ScopedSeam use(&fake);
  fake.modulePath = L"C:\\prog\\Rigmate.exe";
  fake.AddFile(L"C:\\prog\\Rigmate\\SOFTWARE\\SOFT_MAP", "Editor|a.exe|x|/S\r\n");
  fake.AddFile(L"C:\\prog\\Rigmate\\SOFTWARE\\a.exe");
  SetEnvironmentVariableW(L"RIGMATE_STANDIN_SLEEP_MS", L"4000");   // an installer that takes its time
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
  SoftwareDlg page;
  ASSERT_TRUE(page.Create(parent));
  ShowWindow(page.hwnd(), SW_SHOW);
  HWND list = page.Item(IDC_SOFTWARE_LIST);
  ListView_SetCheckState(list, 0, TRUE);
  auto pressThenWaitFor = [&](const wchar_t* state) {
    SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SOFTWARE_INSTALL, BN_CLICKED), 0);
    MSG msg;
    for (int i = 0; i < 2000 && Cell(list, 0, 4) != state; ++i, Sleep(10))
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return Cell(list, 0, 4) == state;
  };
  ASSERT_TRUE(pressThenWaitFor(L"正在安装..."));
  fake.QueueAnswer(IDYES);
  ASSERT_TRUE(pressThenWaitFor(L"已停止等待，仍在运行"));       // the stop, "是"
  EXPECT_EQ(page.RunningJob(), KXDialog::BackgroundJob::None);   // the program may end meanwhile
  EXPECT_TRUE(pressThenWaitFor(L"已停止等待"));                 // again, while the stand-in runs: it ends
  EXPECT_EQ(std::count_if(fake.messages.begin(), fake.messages.end(), [](const FakeSeam::MessageBoxShown& box) {
              return box.text == L"已停止等待的安装程序Editor还在运行，请等它结束后再安装！"; }), 1);
  EXPECT_EQ(fake.realStarts, 1);
  SetEnvironmentVariableW(L"RIGMATE_STANDIN_SLEEP_MS", nullptr);
  for (int i = 0; i < 500 && page.InstallRunning(); ++i) Sleep(10);
  EXPECT_TRUE(pressThenWaitFor(L"安装完成"));                   // a new queue once it has ended
  EXPECT_EQ(fake.realStarts, 2);
  DestroyWindow(parent);
}

}  // namespace
