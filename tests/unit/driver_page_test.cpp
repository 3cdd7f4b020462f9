// The drivers and runtimes page's actions on a simulated machine: which installer each
// button finds and starts, and the warning when there is none.
#include <gtest/gtest.h>

#include "pages/toolbox/driver_page_actions.h"
#include "platform/disk.h"
#include "resources/driver_ids.h"
#include "tests/fakes/fake_seam.h"

namespace {

TEST(DriverPage, EachButtonStartsItsInstallerBesideTheProgramElseOnADriveRoot) {
  {
    FakeSeam fake;
    ScopedSeam use(&fake);
    fake.SetDrives(L"CDE");
    fake.modulePath = L"C:\\kit\\Rigmate.exe";
    TheDisk().Refresh();
    auto click = [&](int id) {
      fake.starts.clear();
      fake.messages.clear();
      driver_page::StartInstaller(driver_page::TailOf(id));
      if (!fake.messages.empty()) return fake.messages[0].text;
      const bool plain = fake.starts.size() == 1 && fake.starts[0].commandLine.empty() && !fake.starts[0].wait &&
                         fake.starts[0].show;
      return plain ? fake.starts[0].application : L"<started otherwise>";
    };
    fake.AddFile(L"E:\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
    fake.AddFile(L"E:\\Rigmate\\RUNTIME\\scmnet_23.exe");
    fake.AddFile(L"E:\\Rigmate\\RUNTIME\\scku40.exe");
    EXPECT_EQ(click(IDC_DRIVER_PACK_WIN7_64), L"E:\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
    EXPECT_EQ(click(IDC_RUNTIME_NET_20_35), L"E:\\Rigmate\\RUNTIME\\scmnet_23.exe");
    fake.AddFile(L"C:\\kit\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");
    EXPECT_EQ(click(IDC_DRIVER_PACK_WIN7_64), L"C:\\kit\\Rigmate\\DRIVER\\WIN764\\[Win7.x64]WanDrv6.exe");

    EXPECT_EQ(click(IDC_DRIVER_GENUS_SINGLE), L"找不到相应的文件！\nC:\\kit\\Rigmate\\DRIVER_GENUS\\驱动精灵单文件版.exe");
    EXPECT_EQ(fake.messages[0].style, 0x30u);
    EXPECT_TRUE(fake.starts.empty());
    EXPECT_EQ(driver_page::TailOf(1014), nullptr);
  }
  TheDisk().Refresh();   // the default machine's drives again
}

}  // namespace
