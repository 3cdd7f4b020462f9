// The drivers and runtimes page's actions on a simulated machine: which installer each
// button finds and starts, and the warning when there is none.
#include <gtest/gtest.h>

#include <set>

#include "pages/toolbox/driver_page_actions.h"
#include "platform/disk.h"
#include "resources/driver_ids.h"
#include "tests/fakes/fake_seam.h"

namespace {

class DriverPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.SetDrives(L"CDE");
    fake.modulePath = L"C:\\Program Files\\Rigmate\\Rigmate.exe";
    TheDisk().Refresh();
  }
  void TearDown() override { TheDisk().Refresh(); }

  std::wstring Click(int id) {
    fake.starts.clear();
    fake.messages.clear();
    driver_page::StartInstaller(driver_page::TailOf(id));
    if (!fake.messages.empty()) return L"message: " + fake.messages[0].text;
    if (fake.starts.size() != 1) return L"<" + std::to_wstring(fake.starts.size()) + L" starts>";
    const FakeSeam::ProcessStart& start = fake.starts[0];
    if (!start.commandLine.empty() || start.wait || !start.show) return L"<started otherwise>";
    return start.application;
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(DriverPageTest, EveryButtonStartsItsOwnInstallerFromADriveRoot) {
  const std::wstring expected[] = {
      L"\\DRIVER_GENUS\\驱动精灵单文件版.exe", L"\\DRIVER_GENUS\\驱动精灵标准版.exe",
      L"\\DRIVER_GENUS\\驱动精灵网卡版.exe",   L"\\DRIVER\\WINXP\\[WinXP.x86]WanDrv6.exe",
      L"\\DRIVER\\WIN732\\[Win7.x86]WanDrv6.exe", L"\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe",
      L"\\DRIVER\\WIN832\\[Win8.x86]WanDrv6.exe", L"\\DRIVER\\WIN864\\[Win8.x64]WanDrv6.exe",
      L"\\RUNTIME\\sckux86.exe",               L"\\RUNTIME\\scku.exe",
      L"\\RUNTIME\\scku40.exe",                L"\\RUNTIME\\scku45.exe",
      L"\\RUNTIME\\scmnet_23.exe"};
  for (const std::wstring& tail : expected) fake.AddFile(L"E:\\Rigmate" + tail);
  for (int id = 1001; id <= 1013; ++id)
    EXPECT_EQ(Click(id), L"E:\\Rigmate" + expected[id - 1001]) << id;
  EXPECT_EQ(Click(IDC_RUNTIME_NET_20_35), L"E:\\Rigmate\\RUNTIME\\scmnet_23.exe");
  EXPECT_EQ(driver_page::TailOf(1000), nullptr);
  EXPECT_EQ(driver_page::TailOf(1014), nullptr);
}

TEST_F(DriverPageTest, CopyBesideTheProgramWinsAndAMissingOneIsReported) {
  fake.AddFile(L"D:\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
  EXPECT_EQ(Click(IDC_DRIVER_PACK_WIN7_64), L"D:\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
  fake.AddFile(L"C:\\Program Files\\Rigmate\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
  EXPECT_EQ(Click(IDC_DRIVER_PACK_WIN7_64),
            L"C:\\Program Files\\Rigmate\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");

  EXPECT_EQ(Click(IDC_RUNTIME_VC_32), L"message: 找不到相应的文件！");
  EXPECT_EQ(fake.messages[0].caption, L"Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());
}

}  // namespace
