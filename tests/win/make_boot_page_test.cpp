// The boot disk page on a real window over the fake machine: its template and refusals,
// the two configuration dialogs, a make and a restore behind the progress window, one
// disk job at a time, and the device list following disks plugged in and pulled out.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pages/bootmedia/make_boot_dlg.h"
#include "platform/disk.h"
#include "platform/log.h"
#include "tests/fakes/fake_seam.h"

namespace {

constexpr wchar_t kTool[] = L"E:\\Rigmate\\Rigmate\\DATA\\FbinstPlus.exe";
constexpr wchar_t kArchive[] = L"E:\\Rigmate\\Rigmate\\DATA\\Rigmate.FBA";

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct DialogSearch {
  int id;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<DialogSearch*>(param);
  if (!IsWindowVisible(window) || !IsWindowEnabled(window) || !GetDlgItem(window, s->id)) return TRUE;
  if (s->caption && TextOf(window) != s->caption) return TRUE;
  s->found = window;
  return FALSE;
}

// The visible, enabled dialog of this thread that holds control `id` (and has the caption,
// when one is given): the window a modal run of the page is waiting on right now.
HWND ActiveDialog(int id, const wchar_t* caption = nullptr) {
  DialogSearch search{id, caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Steps run in order from a timer of the test's thread, so that they act inside the
// modal runs the page starts; a step returns true once it has acted. Past the deadline
// every dialog still open is cancelled, so that a broken step fails instead of hanging.
class Script {
 public:
  using Step = std::function<bool()>;
  explicit Script(std::vector<Step> steps) : steps_(std::move(steps)), start_(Clock::now()) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &Script::Tick);
  }
  ~Script() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Done() const { return next_ == steps_.size(); }

 private:
  using Clock = std::chrono::steady_clock;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* self = current_;
    if (!self || self->busy_) return;
    self->busy_ = true;
    if (!self->Done() && self->steps_[self->next_]()) ++self->next_;
    if (!self->Done() && Clock::now() - self->start_ > std::chrono::seconds(20)) {
      self->next_ = self->steps_.size() + 1;   // never Done
      for (int id : {IDC_COPYDATA_LIST, IDC_CONFIG_FBINST, IDC_LOAD_CLOSE})
        if (HWND open = ActiveDialog(id)) PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
    }
    self->busy_ = false;
  }
  static inline Script* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  bool busy_ = false;
  Clock::time_point start_;
  UINT_PTR timer_ = 0;
};

bool RowChecked(HWND list, int row) {
  return ((SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CheckRow(HWND list, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

// Waits, answering messages, until the check holds (timers and device notifications).
bool PumpUntil(const std::function<bool()>& check, int ms = 3000) {
  for (int waited = 0; waited < ms; waited += 10) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (check()) return true;
    Sleep(10);
  }
  return check();
}

// A step that reads the result the progress window keeps, then closes it.
Script::Step CloseResult(std::wstring* status) {
  return [status] {
    HWND dialog = ActiveDialog(IDC_LOAD_STATUS);
    HWND close = dialog ? GetDlgItem(dialog, IDC_LOAD_CLOSE) : nullptr;
    if (!close || !IsWindowEnabled(close) || TextOf(close) != L"关闭") return false;   // not "停止"
    *status = TextOf(GetDlgItem(dialog, IDC_LOAD_STATUS));
    Click(dialog, IDC_LOAD_CLOSE);
    return true;
  };
}

// Disk 0 holds C:, the running Windows; disk 1 is a USB stick with H:; the program and
// its data lie on E:, a drive of no disk.
class MakeBootPage : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.modulePath = L"E:\\Rigmate\\Rigmate.exe";
    fake.AddFile(kTool);
    fake.AddFile(kArchive);
    fake.AddFile(L"E:\\Rigmate\\Rigmate\\COURSE\\a.mp4", "video");
    fake.AddFile(L"D:\\img\\WIN764.GHO", "win7");
    fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 2ll << 30);
    fake.AddVolume(L"C:", 0, 1);
    fake.AddDisk(1, 0, {FakeSeam::MbrEntry(1, 1ll << 30)}, 1ll << 30).storage = StorageFacts{true, 7, L""};
    fake.AddVolume(L"H:", 1, 1);
    TheDisk().Refresh();
    parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
    page = std::make_unique<MakeBootDlg>();
    ASSERT_TRUE(page->Create(parent));
    ShowWindow(page->hwnd(), SW_SHOW);
  }
  void TearDown() override {
    page.reset();
    DestroyWindow(parent);
    SetSeam(nullptr);
    TheDisk().Refresh();
  }
  HWND Combo() const { return page->Item(IDC_MAKEBOOT_DEVICE); }
  std::wstring LastMessage() const { return fake.messages.empty() ? L"" : fake.messages.back().text; }
  // What Windows sends every top-level window when a device comes or goes.
  void DeviceChanged() {
    // This program's watch window: other test programs running beside it have their own.
    HWND watch = nullptr;
    DWORD process = 0;
    do watch = FindWindowExW(nullptr, watch, L"RigmateDeviceWatch", nullptr);
    while (watch && (GetWindowThreadProcessId(watch, &process), process != GetCurrentProcessId()));
    ASSERT_NE(watch, nullptr);
    SendMessageW(watch, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
  HWND parent = nullptr;
  std::unique_ptr<MakeBootDlg> page;
};

TEST_F(MakeBootPage, TemplateComboAndRefusals) {
  EXPECT_EQ(page->m_strFbinstPath, kTool);
  EXPECT_EQ(page->m_strArchivePath, kArchive);
  const std::pair<int, const wchar_t*> captions[] = {
      {IDC_MAKEBOOT_FORCE, L"强行格式化"},     {IDC_MAKEBOOT_START, L"开始制作"},
      {IDC_MAKEBOOT_RESTORE, L"恢复启动盘"},   {IDC_MAKEBOOT_TEST, L"测试启动盘"},
      {IDC_MAKEBOOT_DATA, L"配置导入的数据"}, {IDC_MAKEBOOT_TOOLS, L"配置工具与文档"},
      {IDC_MAKEBOOT_SIZE, L"500"}};
  for (const auto& c : captions) EXPECT_EQ(TextOf(page->Item(c.first)), c.second) << c.first;
  EXPECT_EQ(IsDlgButtonChecked(page->hwnd(), IDC_MAKEBOOT_FORCE), BST_CHECKED);
  EXPECT_TRUE(GetWindowLongW(Combo(), GWL_STYLE) & CBS_SORT);
  EXPECT_TRUE(GetWindowLongW(page->Item(IDC_MAKEBOOT_SIZE), GWL_STYLE) & ES_NUMBER);
  ASSERT_EQ(SendMessageW(Combo(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(TextOf(Combo()), L"(HD1) 1.00GB (H: ) USB磁盘");   // the one stick, chosen by itself

  SetDlgItemTextW(page->hwnd(), IDC_MAKEBOOT_SIZE, L"");
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(LastMessage(), L"请输入正确的分区大小！");
  SetDlgItemTextW(page->hwnd(), IDC_MAKEBOOT_SIZE, L"500");
  SendMessageW(Combo(), CB_SETCURSEL, 0, 0);
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(LastMessage(), L"为了保护用户磁盘，禁止对设备(HD0)进行操作！");
  Click(page->hwnd(), IDC_MAKEBOOT_RESTORE);
  EXPECT_EQ(LastMessage(), L"为了保护用户磁盘，禁止对设备(HD0)进行操作！");

  // Another stick now answers as disk 1: refused before anything is asked.
  SendMessageW(Combo(), CB_SETCURSEL, 1, 0);
  fake.disks[1].length = 4ll << 30;
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(LastMessage(), L"设备(HD1)已经改变或被拔出，请重新选择设备！");
  fake.disks[1].length = 1ll << 30;
  fake.systemDirectory = L"H:\\Windows\\system32";
  Click(page->hwnd(), IDC_MAKEBOOT_RESTORE);
  EXPECT_EQ(LastMessage(), L"设备(HD1)上有正在运行的Windows，禁止对其进行操作！");
  fake.systemDirectory = L"C:\\Windows\\system32";
  page->m_nSystemMask = 4;                                     // an image on the stick itself
  page->m_strSystemPath[2] = L"H:\\WIN764.GHO";
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(LastMessage(), L"要拷贝到启动盘的H:\\WIN764.GHO就在设备(HD1)上，格式化会把它清除！请先把它移到别的磁盘。");
  page->m_nSystemMask = 0;
  Click(page->hwnd(), IDC_MAKEBOOT_START);                     // the question, answered No
  EXPECT_EQ(fake.messages.back().style, 0x124u);
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_EQ(page->RunningJob(), KXDialog::BackgroundJob::None);
}

TEST_F(MakeBootPage, ConfigurationDialogsThenAMakeOntoTheNewVolume) {
  // The data dialog: the search runs at its first opening; ticks become the page's bits.
  Script data({[&] {
    HWND dialog = ActiveDialog(IDC_COPYDATA_LIST, L"配置导入数据");
    if (!dialog) return false;
    HWND list = GetDlgItem(dialog, IDC_COPYDATA_LIST);
    EXPECT_EQ(Cell(list, 2, 2), L"D:\\img\\WIN764.GHO");
    EXPECT_EQ(Cell(list, 0, 2), L"未找到文件！");
    CheckRow(list, 2);
    CheckDlgButton(dialog, IDC_COPYDATA_VIDEO, BST_CHECKED);
    Click(dialog, IDOK);
    return true;
  }});
  Click(page->hwnd(), IDC_MAKEBOOT_DATA);
  EXPECT_TRUE(data.Done());
  EXPECT_EQ(page->m_nCopyFlags, 1u);
  EXPECT_EQ(page->m_nSystemMask, 4u);
  EXPECT_EQ(page->m_strSystemPath[2], L"D:\\img\\WIN764.GHO");

  // Reopened: no search, the ticks and boxes as confirmed; a row without its image
  // cannot be ticked, not even by "全选"; Cancel changes nothing.
  fake.AddFile(L"D:\\img\\WINXP.GHO");   // a search now would find it
  Script reopen({[&] {
    HWND dialog = ActiveDialog(IDC_COPYDATA_LIST, L"配置导入数据");
    if (!dialog) return false;
    HWND list = GetDlgItem(dialog, IDC_COPYDATA_LIST);
    for (int row = 0; row < 7; ++row) EXPECT_EQ(RowChecked(list, row), row == 2) << row;
    EXPECT_EQ(Cell(list, 2, 2), L"D:\\img\\WIN764.GHO");
    EXPECT_EQ(Cell(list, 0, 2), L"未找到文件！");
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COPYDATA_VIDEO), BST_CHECKED);
    CheckRow(list, 0);
    EXPECT_FALSE(RowChecked(list, 0));
    CheckDlgButton(dialog, IDC_COPYDATA_ALL, BST_CHECKED);
    Click(dialog, IDC_COPYDATA_ALL);
    for (int row = 0; row < 7; ++row) EXPECT_EQ(RowChecked(list, row), row == 2) << row;
    Click(dialog, IDCANCEL);
    return true;
  }});
  Click(page->hwnd(), IDC_MAKEBOOT_DATA);
  EXPECT_TRUE(reopen.Done());
  EXPECT_EQ(page->m_nSystemMask, 4u);
  EXPECT_EQ(page->m_nCopyFlags, 1u);

  // The tool dialog refuses a typed path that is no file, and keeps the page on Cancel.
  fake.AddFile(L"E:\\Other\\FbinstPlus.exe");
  Script tools({[&] {
    HWND dialog = ActiveDialog(IDC_CONFIG_FBINST, L"工具与存档");
    if (!dialog) return false;
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_CONFIG_FBINST)), kTool);
    SetDlgItemTextW(dialog, IDC_CONFIG_FBINST, L"E:\\Other");
    Click(dialog, IDOK);
    EXPECT_EQ(LastMessage(), L"找不到文件E:\\Other，请选择FbinstPlus程序！");
    EXPECT_TRUE(IsWindowVisible(dialog));
    SetDlgItemTextW(dialog, IDC_CONFIG_FBINST, L"E:\\Other\\FbinstPlus.exe");
    Click(dialog, IDCANCEL);
    return true;
  }});
  Click(page->hwnd(), IDC_MAKEBOOT_TOOLS);
  EXPECT_TRUE(tools.Done());
  EXPECT_EQ(page->m_strFbinstPath, kTool);

  // The make: confirmed, formatted (the old volume H: goes, J: comes), copied onto J:.
  fake.QueueAnswer(IDYES);
  KXDialog::BackgroundJob during = KXDialog::BackgroundJob::None;
  fake.onStart = [&](const FakeSeam::ProcessStart&) {
    during = page->RunningJob();
    fake.RemoveVolume(L"H:");
    fake.AddVolume(L"J:", 1, 1).freeBytes = 1ull << 30;
    fake.AddFolder(L"J:\\");
    return 0;
  };
  std::wstring result;
  Script made({CloseResult(&result)});
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(result, L"制作完成！");
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, kTool);
  EXPECT_EQ(fake.starts[0].commandLine,
            L"\"E:\\Rigmate\\Rigmate\\DATA\\FbinstPlus.exe\" (hd1) format -f -e 1024000 --archive "
            L"\"E:\\Rigmate\\Rigmate\\DATA\\Rigmate.FBA\"");
  EXPECT_EQ(during, KXDialog::BackgroundJob::WritesDisk);
  EXPECT_EQ(page->RunningJob(), KXDialog::BackgroundJob::None);
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\COURSE\\a.mp4"), "video");
  EXPECT_EQ(fake.Contents(L"J:\\Rigmate\\GHO\\WIN764.GHO"), "win7");
  EXPECT_EQ(fake.messages.back().text,
            L"你确定要对设备(HD1) 1.00GB (H: )制作启动盘么？这将会清空您磁盘上的所有数据，制作前请先自行备份数据！");
}

TEST_F(MakeBootPage, ACopyEndsAtTheUsersStopOrAtAPulledStickAndSaysWhy) {
  fake.AddFile(L"E:\\Rigmate\\Rigmate\\COURSE\\b.mp4", "more");
  page->m_nCopyFlags = 1;
  HANDLE stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  struct PlacedLog : LogSink {
    void Write(const std::wstring&) override {}
    std::wstring Where() override { return L"C:\\Rigmate\\Rigmate.log"; }
  } log;
  SetLogSink(&log);
  struct Case {
    bool pull;                  // else the user stops
    const wchar_t* status;
    size_t boxes;               // the make's question, then the stop's or the failure's
  } cases[] = {{false, L"已停止拷贝，启动盘上的数据不完整！", 2},
               {true, L"拷贝视频文件失败！", 2}};
  for (const Case& c : cases) {
    fake.messages.clear();
    fake.AddVolume(L"H:", 1, 1);
    fake.onStart = [&](const FakeSeam::ProcessStart&) {
      fake.RemoveVolume(L"H:");
      fake.AddVolume(L"J:", 1, 1).freeBytes = 1ull << 30;
      fake.AddFolder(L"J:\\");
      return 0;
    };
    ResetEvent(stopped);
    fake.midCopy = [&](const std::wstring&) {
      if (c.pull) fake.RemoveVolume(L"J:");
      else WaitForSingleObject(stopped, 5000);   // the user is at "停止"
    };
    fake.QueueAnswer(IDYES);
    fake.QueueAnswer(IDYES);
    std::wstring result;
    Script::Step stop = [&] {
      HWND dialog = ActiveDialog(IDC_LOAD_STATUS);
      if (!dialog || TextOf(GetDlgItem(dialog, IDC_LOAD_CLOSE)) != L"停止") return false;
      Click(dialog, IDC_LOAD_CLOSE);
      SetEvent(stopped);
      return true;
    };
    Script make(c.pull ? std::vector<Script::Step>{CloseResult(&result)}
                       : std::vector<Script::Step>{stop, CloseResult(&result)});
    Click(page->hwnd(), IDC_MAKEBOOT_START);
    EXPECT_TRUE(make.Done());
    EXPECT_EQ(result, c.status);
    ASSERT_EQ(fake.messages.size(), c.boxes);
    if (c.pull) {
      EXPECT_EQ(fake.messages[1].text.find(L"拷贝视频文件失败！\nE:\\Rigmate\\Rigmate\\COURSE\\a.mp4\n"), 0u);
      EXPECT_NE(fake.messages[1].text.find(L"\n详细记录见：C:\\Rigmate\\Rigmate.log"), std::wstring::npos);
    } else
      EXPECT_EQ(fake.messages[1].text, L"确定要停止么？");
    EXPECT_FALSE(fake.Exists(L"J:\\Rigmate\\COURSE\\b.mp4"));
    fake.RemoveVolume(L"J:");
  }
  SetLogSink(nullptr);
  CloseHandle(stopped);
}

TEST_F(MakeBootPage, RestoreReportsItsResultAndNoOtherDiskJobStartsMeanwhile) {
  SetDlgItemTextW(page->hwnd(), IDC_MAKEBOOT_SIZE, L"500");
  CheckDlgButton(page->hwnd(), IDC_MAKEBOOT_FORCE, BST_UNCHECKED);
  fake.QueueAnswer(IDYES);
  KXDialog::BackgroundJob during = KXDialog::BackgroundJob::None;
  fake.onStart = [&](const FakeSeam::ProcessStart&) {
    during = page->RunningJob();
    // Commands still reach the page while the progress window is up; they are handled
    // before the worker's result, which is posted after them.
    PostMessageW(page->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAKEBOOT_START, BN_CLICKED), 0);
    PostMessageW(page->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAKEBOOT_RESTORE, BN_CLICKED), 0);
    return 4;
  };
  std::wstring status;
  Script close({CloseResult(&status)});
  Click(page->hwnd(), IDC_MAKEBOOT_RESTORE);
  EXPECT_TRUE(close.Done());
  EXPECT_EQ(status, L"恢复启动盘出错！(错误代码：4)");
  EXPECT_EQ(during, KXDialog::BackgroundJob::WritesDisk);
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].commandLine, L"\"E:\\Rigmate\\Rigmate\\DATA\\FbinstPlus.exe\" (hd1) format -r");
  ASSERT_GE(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[0].text,
            L"你确定要对设备(HD1) 1.00GB (H: ) USB磁盘恢复么？这将会清空您磁盘上的所有数据，恢复前请先自行备份数据！");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  EXPECT_EQ(fake.messages[1].text, L"已经在恢复！");
  EXPECT_EQ(fake.messages[2].text, L"已经在恢复！");

  // A successful restore keeps its result on the progress window too.
  fake.onStart = nullptr;
  fake.QueueAnswer(IDYES);
  Script closeAgain({CloseResult(&status)});
  Click(page->hwnd(), IDC_MAKEBOOT_RESTORE);
  EXPECT_EQ(status, L"恢复启动盘完成！");
  EXPECT_EQ(fake.starts.size(), 2u);
  EXPECT_EQ(page->RunningJob(), KXDialog::BackgroundJob::None);
}

TEST_F(MakeBootPage, DeviceListFollowsDisksPluggedInAndPulledOut) {
  // A 2 TB USB disk numbered 10 and a second stick: listed by number; the page's own
  // choice is made again, and no single stick is left to choose.
  fake.AddDisk(10, 0, {FakeSeam::MbrEntry(1, 1ll << 40)}, 2ll << 40).storage = StorageFacts{false, 7, L"WD"};
  fake.AddDisk(2, 0, {FakeSeam::MbrEntry(1, 1ll << 31)}, 1ll << 31).storage = StorageFacts{true, 7, L""};
  fake.AddVolume(L"K:", 2, 1);
  DeviceChanged();
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(Combo(), CB_GETCOUNT, 0, 0) == 4; }));
  EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
  wchar_t last[64] = {};
  SendMessageW(Combo(), CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(last));
  EXPECT_EQ(std::wstring(last), L"(HD10) 2048.00GB () USB磁盘");
  SendMessageW(Combo(), CB_SETCURSEL, 1, 0);                 // the user's choice stays
  SendMessageW(page->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAKEBOOT_DEVICE, CBN_SELCHANGE), LPARAM(Combo()));
  fake.AddVolume(L"I:", 10, 1);
  DeviceChanged();
  ASSERT_TRUE(PumpUntil([&] { return TextOf(Combo()) == L"(HD1) 1.00GB (H: ) USB磁盘" &&
                                     SendMessageW(Combo(), CB_FINDSTRINGEXACT, -1, LPARAM(L"(HD10) 2048.00GB (I: ) USB磁盘")) >= 0; }));

  // The chosen stick pulled out, then an unrelated device comes: nothing is chosen.
  fake.disks.erase(1);
  fake.RemoveVolume(L"H:");
  SendMessageW(page->hwnd(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(Combo(), CB_GETCOUNT, 0, 0) == 3; }));
  EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), CB_ERR);   // no other disk chosen unseen
  fake.disks.erase(10);
  DeviceChanged();
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(Combo(), CB_GETCOUNT, 0, 0) == 2; }));
  EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
  Click(page->hwnd(), IDC_MAKEBOOT_START);
  EXPECT_EQ(LastMessage(), L"请选择一个磁盘！");
  EXPECT_TRUE(fake.starts.empty());
}

}  // namespace
