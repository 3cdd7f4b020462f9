// The backup and restore page on a real window over the fake machine: the mode radios and
// the compression box, the jobs built from the selected row, the restart box, and the
// path filled by the file dialog and by the image search.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "pages/install/install_dlg.h"
#include "platform/disk.h"
#include "platform/pe_flag.h"
#include "tests/fakes/fake_seam.h"

namespace {

constexpr int64_t kGiB = 1ll << 30;
constexpr int kYes = 6;

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// Plays script on the first dialog of this thread that match accepts, from inside the
// modal run that open starts; a dialog never found ends the wait after ten seconds.
class ModalScript {
 public:
  static bool Run(const std::function<void()>& open, const std::function<bool(HWND)>& match,
                  const std::function<void(HWND)>& script) {
    ModalScript self{match, script};
    current_ = &self;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
    open();
    KillTimer(nullptr, timer);
    current_ = nullptr;
    return self.played_;
  }

 private:
  ModalScript(std::function<bool(HWND)> match, std::function<void(HWND)> script)
      : match_(std::move(match)), script_(std::move(script)) {}

  static BOOL CALLBACK Find(HWND window, LPARAM out) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (!IsWindowVisible(window) || std::wstring(name) != L"#32770" || !current_->match_(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = current_;
    if (!self || self->played_ || self->ticks_++ > 500) return;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &ModalScript::Find, reinterpret_cast<LPARAM>(&found));
    if (!found) return;
    self->played_ = true;
    self->script_(found);
  }

  static inline ModalScript* current_ = nullptr;
  std::function<bool(HWND)> match_;
  std::function<void(HWND)> script_;
  bool played_ = false;
  int ticks_ = 0;
};

class InstallPageWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 40 * kGiB), FakeSeam::MbrEntry(2, 100 * kGiB)}, 150 * kGiB);
    fake.AddVolume(L"D:", 0, 1);
    fake.AddVolume(L"E:", 0, 2);
    fake.AddFile(L"C:\\Rigmate\\GHOST32.EXE");
    fake.AddFile(L"E:\\img\\win7.gho");
    TheDisk().Refresh();
    g_bInPE = 1;
    // Hidden: Wine under Xvfb waits for every visible top-level window that goes away.
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 700, 450, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(page.Create(parent_));
  }
  void TearDown() override {
    DestroyWindow(page.hwnd());
    DestroyWindow(parent_);
    g_bInPE = 0;
    SetSeam(nullptr);
    TheDisk().Refresh();
  }

  HWND Item(int id) { return GetDlgItem(page.hwnd(), id); }
  void Click(int id) {
    SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
  }
  void ChooseMode(int id) {
    CheckRadioButton(page.hwnd(), IDC_INSTALL_MODE_RESTORE, IDC_INSTALL_MODE_WIM, id);
    Click(id);
  }
  void SelectRow(int row) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Item(IDC_INSTALL_PARTITIONS), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  void Run(const std::wstring& path, int compression) {
    SetWindowTextW(Item(IDC_INSTALL_IMAGE_PATH), path.c_str());
    SendMessageW(Item(IDC_INSTALL_COMPRESS), CB_SETCURSEL, compression, 0);
    Click(IDC_INSTALL_EXECUTE);
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
  InstallDlg page;
  HWND parent_ = nullptr;
};

TEST_F(InstallPageWindow, ModesCompressionRowAndRestartBoxReachTheJobs) {
  HWND compress = Item(IDC_INSTALL_COMPRESS);
  EXPECT_FALSE(IsWindowEnabled(compress));
  EXPECT_EQ(SendMessageW(compress, CB_GETCOUNT, 0, 0), 4);
  ChooseMode(IDC_INSTALL_MODE_GHO);
  EXPECT_TRUE(IsWindowEnabled(compress));

  // A Ghost backup of the second row with "高压缩"; the restart is asked, not done.
  SelectRow(1);
  fake.QueueAnswer(kYes);
  Run(L"D:\\e.gho", 2);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_NE(fake.starts[0].commandLine.find(L"src=E:,dst=\"D:\\e.gho\" -z2"), std::wstring::npos)
      << fake.starts[0].commandLine;
  EXPECT_EQ(fake.messages.at(0).text, L"确定将分区：E: 备份到文件：D:\\e.gho中么？");
  EXPECT_EQ(fake.rebootRequests, 0);

  // A restore onto the first row with the restart box ticked restarts without a question.
  ChooseMode(IDC_INSTALL_MODE_RESTORE);
  EXPECT_FALSE(IsWindowEnabled(compress));
  SelectRow(0);
  SendMessageW(Item(IDC_INSTALL_REBOOT), BM_SETCHECK, BST_CHECKED, 0);
  const size_t asked = fake.messages.size();
  fake.QueueAnswer(kYes);
  Run(L"E:\\img\\win7.gho", 0);
  ASSERT_EQ(fake.starts.size(), 3u);   // Ghost, then the boot repair
  EXPECT_NE(fake.starts[1].commandLine.find(L"src=\"E:\\img\\win7.gho:1\",dst=D:"), std::wstring::npos)
      << fake.starts[1].commandLine;
  EXPECT_EQ(fake.starts[2].commandLine, L"bcdboot.exe D:\\windows /L ZH-CN /s D:");
  EXPECT_EQ(fake.messages.size(), asked + 1);
  EXPECT_EQ(fake.rebootRequests, 1);

  // A WIM backup with "最高压缩" passes the compression type to the imaging API.
  ChooseMode(IDC_INSTALL_MODE_WIM);
  fake.QueueAnswer(kYes);
  Run(L"E:\\backup.wim", 3);
  ASSERT_FALSE(fake.wimCalls.empty());
  EXPECT_EQ(fake.wimCalls[0], L"CreateFile E:\\backup.wim 40000000 2 0 3");
  EXPECT_EQ(fake.messages.back().text, L"操作完成！");
}

TEST_F(InstallPageWindow, BrowseAndSearchFillThePath) {
  HWND pathBox = Item(IDC_INSTALL_IMAGE_PATH);
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring chosen = std::wstring(temp) + L"rigmate-browse.gho";
  // The file dialog's name box: cmb13 in the explorer style, edt1 in the old one.
  auto isFileDialog = [](HWND dialog) { return GetDlgItem(dialog, 0x47C) || GetDlgItem(dialog, 0x480); };
  auto typeName = [&](HWND dialog) {
    SetDlgItemTextW(dialog, GetDlgItem(dialog, 0x47C) ? 0x47C : 0x480, chosen.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
  ChooseMode(IDC_INSTALL_MODE_GHO);   // a backup: the Save dialog, for a file not there yet
  EXPECT_TRUE(ModalScript::Run([&] { Click(IDC_INSTALL_OPEN); }, isFileDialog, typeName));
  EXPECT_EQ(TextOf(pathBox), chosen);

  fake.SetDrives(L"DE");
  TheDisk().Refresh();
  auto isSearch = [](HWND dialog) { return GetDlgItem(dialog, IDC_SEARCH_DEPTH) != nullptr; };
  EXPECT_TRUE(ModalScript::Run([&] { Click(IDC_INSTALL_SEARCH); }, isSearch, [](HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_START, BN_CLICKED), 0);
    HWND found = GetDlgItem(dialog, IDC_SEARCH_FOUND);
    SendMessageW(found, LB_SETCURSEL, 0, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FOUND, LBN_DBLCLK), reinterpret_cast<LPARAM>(found));
  }));
  EXPECT_EQ(TextOf(pathBox), L"E:\\img\\win7.gho");
}

}  // namespace
