// The boot disk page on a real window over the fake machine: its template, the device
// combo filled at the first show, and the refusals of both buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "pages/bootmedia/make_boot_dlg.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

TEST(MakeBootPage, TemplateComboAndRefusals) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 2ll << 30);
  fake.AddVolume(L"C:", 0, 1);
  fake.AddFile(L"C:\\Rigmate\\Rigmate\\DATA\\FbinstPlus.exe");
  fake.modulePath = L"C:\\Rigmate\\Rigmate.exe";
  TheDisk().Refresh();

  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
  {
    MakeBootDlg page;
    ASSERT_TRUE(page.Create(parent));
    EXPECT_EQ(page.m_strFbinstPath, L"C:\\Rigmate\\Rigmate\\DATA\\FbinstPlus.exe");
    EXPECT_EQ(page.m_strArchivePath, L"");
    ShowWindow(page.hwnd(), SW_SHOW);

    const std::pair<int, const wchar_t*> captions[] = {
        {IDC_MAKEBOOT_FORCE, L"强行格式化"},     {IDC_MAKEBOOT_START, L"开始制作"},
        {IDC_MAKEBOOT_RESTORE, L"恢复启动盘"},   {IDC_MAKEBOOT_TEST, L"测试启动盘"},
        {IDC_MAKEBOOT_DATA, L"配置导入的数据"}, {IDC_MAKEBOOT_TOOLS, L"配置工具与文档"},
        {IDC_MAKEBOOT_SIZE, L"500"}};
    for (const auto& c : captions) EXPECT_EQ(TextOf(page.Item(c.first)), c.second) << c.first;
    EXPECT_EQ(IsDlgButtonChecked(page.hwnd(), IDC_MAKEBOOT_FORCE), BST_CHECKED);
    HWND combo = page.Item(IDC_MAKEBOOT_DEVICE);
    EXPECT_TRUE(GetWindowLongW(combo, GWL_STYLE) & CBS_SORT);
    EXPECT_TRUE(GetWindowLongW(page.Item(IDC_MAKEBOOT_SIZE), GWL_STYLE) & ES_NUMBER);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(TextOf(combo), L"(HD0) 2.00GB (C: ) 未知");

    auto click = [&](int id) { SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    SetDlgItemTextW(page.hwnd(), IDC_MAKEBOOT_SIZE, L"");
    click(IDC_MAKEBOOT_START);
    SetDlgItemTextW(page.hwnd(), IDC_MAKEBOOT_SIZE, L"500");
    click(IDC_MAKEBOOT_START);
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].text, L"请输入正确的分区大小！");
    EXPECT_EQ(fake.messages[1].text, L"为了保护用户磁盘，禁止对设备(HD0)进行操作！");
    click(IDC_MAKEBOOT_RESTORE);
    for (int i = 0; i < 200 && fake.messages.size() < 3; ++i) Sleep(10);   // the restore's own thread
    ASSERT_EQ(fake.messages.size(), 3u);
    EXPECT_EQ(fake.messages[2].text, L"为了保护用户磁盘，禁止对设备(HD0)进行操作！");
    EXPECT_TRUE(fake.starts.empty());
  }
  DestroyWindow(parent);
  SetSeam(nullptr);
  TheDisk().Refresh();
}

}  // namespace
