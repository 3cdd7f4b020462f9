// A boot disk made on the simulated machine: a USB stick without a drive letter, a
// formatting tool stand-in that leaves a new volume D: on it, and the data copied there.
#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/fixture.h"

namespace {

constexpr int kBootDiskTab = 2;
const char kBefore[] = "disk mbr 120G\n  part 1 120G letter=C: boot\ndisk mbr 8G usb\n  part 1 8G\n";
const char kAfter[] = "disk mbr 120G\n  part 1 120G letter=C: boot\ndisk mbr 8G usb\n  part 1 8G letter=D:\n";
const wchar_t* const kImages[] = {L"WINXP.GHO", L"WIN732.GHO", L"WIN764.GHO", L"WIN832.GHO",
                                  L"WIN864.GHO", L"WIN1032.GHO", L"WIN1064.GHO"};

// A visible dialog of the program holding this control.
HWND DialogWith(DWORD process, int id) {
  for (HWND window : e2e::TopLevelWindows(process, L"#32770", true))
    if (GetDlgItem(window, id) && IsWindowEnabled(window)) return window;
  return nullptr;
}

TEST_F(RigmateE2E, MakeFormatsTheChosenStickAndCopiesOntoItsNewVolume) {
  DescribeMachine(kBefore);
  WriteFile(L"machine-after.txt", kAfter);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  WriteFile(L"program\\Rigmate\\DATA\\Rigmate.FBA", "archive");
  WriteFile(L"program\\Rigmate\\DATA\\menu.lst", "menu");
  WriteFile(L"program\\Rigmate\\COURSE\\Notepad++ 7.5\\readme.txt", "npp");
  for (const wchar_t* image : kImages) WriteFile(L"program\\Rigmate\\GHO\\" + std::wstring(image), "image");
  PlaceStandIn(ProgramFolder() + L"\\Rigmate\\DATA\\FbinstPlus.exe");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  SetVariable(L"RIGMATE_STANDIN_REPLACE_FBINSTPLUS", InFolder(L"machine-after.txt") + L"|" + InFolder(L"machine.txt"));
  ASSERT_TRUE(StartRigmate());
  ASSERT_TRUE(e2e::SelectTab(tab(), kBootDiskTab));
  HWND page = Pages()[kBootDiskTab];
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ItemText(page, IDC_MAKEBOOT_DEVICE) == L"(HD1) 8.00GB () USB磁盘"; }));

  // The data: every image (found beside the program) and the data and video folders.
  ASSERT_TRUE(e2e::ClickButton(page, IDC_MAKEBOOT_DATA));
  HWND data = nullptr;
  ASSERT_TRUE(e2e::WaitUntil([&] { return (data = DialogWith(app().id(), IDC_COPYDATA_LIST)) != nullptr; }, 60000));
  for (int id : {IDC_COPYDATA_ALL, IDC_COPYDATA_IMPORT, IDC_COPYDATA_VIDEO}) ASSERT_TRUE(e2e::ClickButton(data, id));
  Settle();
  ASSERT_TRUE(e2e::ClickButton(data, IDOK));
  ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(data) || !IsWindowVisible(data); }));

  ASSERT_TRUE(e2e::ClickButton(page, IDC_MAKEBOOT_START));
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"制作启动盘么", &box));
  EXPECT_EQ(box.text, L"你确定要对设备(HD1) 8.00GB ()制作启动盘么？这将会清空您磁盘上的所有数据，制作前请先自行备份数据！");
  Shot("question");
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));

  const std::wstring drive = InFolder(L"drive-d");
  HWND load = nullptr;
  ASSERT_TRUE(e2e::WaitUntil([&] {
    load = DialogWith(app().id(), IDC_LOAD_STATUS);
    // During the copies the button is enabled too, as "停止".
    return load && IsWindowEnabled(GetDlgItem(load, IDC_LOAD_CLOSE)) && e2e::ItemText(load, IDC_LOAD_CLOSE) == L"关闭";
  }, 60000)) << "the make did not end";
  EXPECT_EQ(e2e::ItemText(load, IDC_LOAD_STATUS), L"制作完成！");   // kept until closed
  Shot("made");
  ASSERT_TRUE(e2e::ClickButton(load, IDC_LOAD_CLOSE));
  std::vector<StandinRecord> starts = StandInStarts();
  ASSERT_EQ(starts.size(), 1u);
  const std::wstring dataFolder = ProgramFolder() + L"\\Rigmate\\DATA";
  EXPECT_EQ(starts[0].commandLine, L"\"" + dataFolder + L"\\FbinstPlus.exe\" (hd1) format -f -e 1024000 --archive \"" +
                                       dataFolder + L"\\Rigmate.FBA\"");
  std::string bytes;
  EXPECT_TRUE(e2e::ReadFileBytes(drive + L"\\Rigmate\\DATA\\menu.lst", &bytes));
  EXPECT_EQ(bytes, "menu");
  EXPECT_TRUE(e2e::ReadFileBytes(drive + L"\\Rigmate\\COURSE\\Notepad++ 7.5\\readme.txt", &bytes));
  EXPECT_EQ(bytes, "npp");
  for (const wchar_t* image : kImages)
    EXPECT_NE(GetFileAttributesW((drive + L"\\Rigmate\\GHO\\" + image).c_str()), INVALID_FILE_ATTRIBUTES)
        << e2e::WideToUtf8(image);
}

}  // namespace
