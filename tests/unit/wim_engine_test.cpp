// The WIM engine on the fake machine: image XML, apply, capture, callback, installer.
#include <gtest/gtest.h>

#include <thread>

#include "deploy/boot_repair.h"
#include "deploy/wim_engine.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/machine_change.h"
#include "tests/unit/deploy_machine.h"

using namespace deploy_test;

namespace {

const wchar_t kXml[] =
    L"\xFEFF<WIM><TOTALBYTES>9</TOTALBYTES>"
    L"<IMAGE INDEX=\"1\"><NAME>Windows 7 旗舰版</NAME><DESCRIPTION>64位</DESCRIPTION></IMAGE>"
    L"<IMAGE INDEX=\"2\"><NAME>专业版</NAME><WINDOWS><EDITIONID>x</EDITIONID></WINDOWS></IMAGE>"
    L"<IMAGE INDEX=\"3\"><DISPLAYNAME>d</DISPLAYNAME><DESCRIPTION>备份</DESCRIPTION></IMAGE>"
    L"<IMAGE INDEX=\"10\"><NAME>未完</WIM>";

// The progress window: what the engine's work told it, in order.
class LoggedProgress : public Progress {
 public:
  explicit LoggedProgress(std::vector<std::wstring>* log) : log_(log) {}
  void Position(int percent) override { log_->push_back(Format(L"progress %d", percent)); }
  void Status(const std::wstring& text) override { log_->push_back(L"status " + text); }
  bool Stopping() const override { return false; }
  void Pause(int) override {}
  void AllowStop(bool) override {}

 private:
  std::vector<std::wstring>* log_;
};

// The progress window's run: the work on a thread, then the close its result asks for.
WorkRunner LoggedRun(std::vector<std::wstring>* log) {
  return [log](const Work& work) {
    log->push_back(L"run");
    LoggedProgress progress(log);
    bool succeeded = false;
    std::thread([&] { succeeded = work(progress); }).join();
    log->push_back(succeeded ? L"close" : L"enable close");
    return succeeded;
  };
}

}  // namespace

TEST(WimImageXml, NamesAndDescriptionsStayWithinTheirImage) {
  std::wstring name = L"old", description = L"old";
  ParseImageInfo(kXml, 1, &name, &description);
  EXPECT_EQ(name, L"Windows 7 旗舰版");
  EXPECT_EQ(description, L"64位");
  // Image 2 has no DESCRIPTION: image 3's is not taken.
  name = description = L"old";
  ParseImageInfo(kXml, 2, &name, &description);
  EXPECT_EQ(name, L"专业版");
  EXPECT_EQ(description, L"old");
  // No NAME (DISPLAYNAME is not one): the search stops before the description.
  name = description = L"old";
  ParseImageInfo(kXml, 3, &name, &description);
  EXPECT_EQ(name, L"old");
  EXPECT_EQ(description, L"old");
  // Missing image; an unclosed NAME; "1" does not find "10".
  ParseImageInfo(kXml, 4, &name, &description);
  EXPECT_EQ(name, L"old");
  ParseImageInfo(kXml, 10, &name, &description);
  EXPECT_EQ(name, L"");
  ParseImageInfo(L"<IMAGE INDEX=\"1\"><NAME>", 1, &name, &description);
  EXPECT_EQ(name, L"");
}

TEST(WimImageXml, CharacterReferencesAreDecodedAndBrokenOnesKeptAsWritten) {
  std::wstring name, description;
  ParseImageInfo(L"<IMAGE INDEX=\"1\"><NAME>A &amp; B &lt;x64&gt;</NAME>"
                 L"<DESCRIPTION>&quot;&apos;&#20013;&#x6587;&#X41;&amp;amp;</DESCRIPTION></IMAGE>",
                 1, &name, &description);
  EXPECT_EQ(name, L"A & B <x64>");
  EXPECT_EQ(description, L"\"'中文&#X41;&amp;");   // decoded once; "&#X" is not XML
  EXPECT_EQ(DecodeXmlReferences(L"&#128512;&#xD800;&#0;&#x110000;&nbsp;&amp &;&#;a&b"),
            std::wstring(L"\U0001F600") + L"&#xD800;&#0;&#x110000;&nbsp;&amp &;&#;a&b");
  EXPECT_EQ(DecodeXmlReferences(L"&#x0010FFFF;&#x00010FFFF;"), std::wstring(L"\U0010FFFF&#x00010FFFF;"));
  // Text full of "&" takes linear time: each ";" is looked for only as far as a reference reaches.
  const std::wstring ampersands(1 << 20, L'&');
  EXPECT_EQ(DecodeXmlReferences(ampersands), ampersands);
}

class WimEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpDesktop(fake);
    TheDisk().Refresh();
    wimFile = &fake.AddWimFile(L"E:\\sources\\install.wim");
    wimFile->imageCount = 3;
    wimFile->xml = kXml;
    page.chooseImage = [this](const WimImageList& images) {
      for (const auto& image : images) shown.push_back(Format(L"%d %s %s", image.index, image.name, image.description));
      return chosen;
    };
    page.runWork = LoggedRun(&window);
  }
  void TearDown() override { TheDisk().Refresh(); }

  void Apply() { last = ApplyWimImage(L"E:\\sources\\install.wim", L"D:", page); }
  void Capture(const std::wstring& path, int compression = 0) { last = CaptureWimImage(path, L"C:", compression, page); }

  FakeSeam fake;
  ScopedSeam use{&fake};
  FakeSeam::WimFile* wimFile = nullptr;
  WimPageHooks page;
  int chosen = 3;
  std::vector<std::wstring> shown, window;
  WimOutcome last;
};

TEST_F(WimEngineTest, ApplyChosenImageFormatsAppliesAndRepairsBoot) {
  wimFile->unloadable = {2};
  chosen = 1;
  fake.AddDisk(0, 0, {FakeSeam::MbrEntry(1, 1 << 30), FakeSeam::MbrEntry(2, 40ll << 30)}, 60ll << 30);
  TheDisk().Refresh();
  fake.wimMessages = {{wim::MsgScanning, 0, 0, L""}, {wim::MsgProgress, 37, 0, L""}, {12345, 0, 0, L""}};
  bool redirectionOffForBcdboot = false;
  std::wstring sessionEnd;
  fake.onStart = [&](const FakeSeam::ProcessStart&) {
    return sessionEnd = SessionEndRefusal(false), redirectionOffForBcdboot = fake.fsRedirectionOff, 0;
  };
  fake.QueueAnswer(mbox::IdYes);
  testing::internal::CaptureStdout();
  Apply();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  // Image 2 cannot be loaded and is left out of the chooser.
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"1 Windows 7 旗舰版 64位", L"3  "}));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"确定将E:\\sources\\install.wim中的索引为1的镜像应用到D:中么？这将会格式化您的D:盘。\n"
                                   L"镜像名称：Windows 7 旗舰版\nD:盘：40.00 GB，本地磁盘。\n该镜像文件保存于2024-05-06 07:08，大小为0.00 GB。");
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  ASSERT_EQ(fake.formatRequests.size(), 1u);
  EXPECT_EQ(fake.formatRequests[0].drive, 3u);
  EXPECT_EQ(fake.formatRequests[0].formatId, 0xFFFFu);
  EXPECT_EQ(fake.formatRequests[0].options, 1u);
  EXPECT_EQ(window, (std::vector<std::wstring>{L"run", L"status 正在扫描......，请耐心等待！", L"progress 37",
                                               L"status 正在执行......，已完成37 %", L"close"}));
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{L"bcdboot.exe D:\\windows /L ZH-CN /s D:"});
  EXPECT_FALSE(fake.starts[0].show);
  EXPECT_TRUE(redirectionOffForBcdboot);
  EXPECT_FALSE(fake.fsRedirectionOff);
  EXPECT_EQ(sessionEnd, kDiskWriteUnderWay) << "refused until the boot files are back";
  EXPECT_EQ(last.code, WimCode::Applied);
  EXPECT_EQ(last.text, L"安装完成，请重启电脑进行下一步的安装。");
  EXPECT_EQ(fake.wimTemporaryPath, L"C:\\Windows\\Temp\\KXWimTemp");
  EXPECT_TRUE(fake.IsFolder(L"C:\\Windows\\Temp\\KXWimTemp"));
  EXPECT_NE(std::find(fake.wimCalls.begin(), fake.wimCalls.end(), L"ApplyImage 4 D:\\ 0"), fake.wimCalls.end());
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

// A PE started from a USB stick (disk 0, C: active), Windows on E: of the internal disk:
// the boot files go to the internal disk's active partition (row 0), never to the stick.
TEST_F(WimEngineTest, BootRepairNamesTheSystemPartitionOfTheTargetsDisk) {
  const wchar_t* const system[] = {L" /s D:", L" /s E:", L""};   // D: not active; GPT: the firmware's
  for (uint32_t row = 0; row < 3; ++row) {
    PartitionInfoEx stick = FakeSeam::MbrEntry(1, 16ll << 30), boot = FakeSeam::MbrEntry(1, 100 << 20),
                    windows = FakeSeam::MbrEntry(2, 60ll << 30);
    stick.Mbr.BootIndicator = boot.Mbr.BootIndicator = row == 0;
    if (row == 2) boot = FakeSeam::GptEntry(1, 100 << 20, L"EFI"), windows = FakeSeam::GptEntry(2, 60ll << 30, L"");
    fake.AddDisk(0, 0, {stick}, 16ll << 30).storage.busType = 7;
    fake.AddDisk(1, row == 2, {boot, windows}, 500ll << 30);
    fake.SetDrives(L"CDE");
    fake.volumes[L'C'] = DiskVolume(0, 1);
    fake.volumes[L'D'] = DiskVolume(1, 1, row == 2);
    fake.volumes[L'E'] = DiskVolume(1, 2, row == 2);
    TheDisk().Refresh();
    EXPECT_EQ(BcdbootCommand(L"E:"), std::wstring(L"bcdboot.exe E:\\windows /L ZH-CN") + system[row]);
  }
}

TEST_F(WimEngineTest, ApplyEndsBeforeTheFormatUnlessAnImageIsChosenLoadedAndConfirmed) {
  last = ApplyWimImage(L"E:\\sources\\install.wim", L"e:", page);   // the format would take the image
  EXPECT_EQ(last.code, WimCode::ImageOnTarget);
  last = ApplyWimImage(L"E:\\sources\\install.wim", WimTempFolder().substr(0, 2), page);   // or the library's files
  EXPECT_EQ(last.code, WimCode::TempOnTarget);
  EXPECT_TRUE(fake.wimCalls.empty() && fake.messages.empty());
  last = ApplyWimImage(L"E:\\missing.wim", L"D:", page);
  EXPECT_EQ(last.code, WimCode::NotOpened);
  EXPECT_EQ(last.text, L"打开WIM文件失败！错误代码：2\nE:\\missing.wim");
  wimFile->attributesFail = true;
  Apply();
  EXPECT_EQ(last.text, L"读取WIM文件信息失败！");
  wimFile->attributesFail = false;
  chosen = 0;                       // chooser cancelled
  Apply();
  EXPECT_EQ(last.code, WimCode::Declined);
  EXPECT_EQ(last.text, L"");
  chosen = 2;
  wimFile->unloadable = {2};        // chosen image cannot be loaded
  Apply();
  EXPECT_EQ(last.text, L"打开镜像失败！");
  wimFile->imageCount = 0;          // no image: index 1 without the chooser, which fails too
  Apply();
  EXPECT_EQ(last.code, WimCode::ImageNotLoaded);
  EXPECT_TRUE(fake.messages.empty());
  wimFile->imageCount = 1;
  fake.QueueAnswer(mbox::IdNo);
  Apply();
  EXPECT_EQ(last.code, WimCode::Declined);
  EXPECT_TRUE(fake.formatRequests.empty());
  fake.formatResult = 0xFFFFFFFD;   // format not done
  fake.QueueAnswer(mbox::IdYes);
  Apply();
  EXPECT_EQ(last.code, WimCode::FormatFailed);
  EXPECT_EQ(last.text, L"格式化D:盘失败！\nWindows无法格式化这个分区（SHFMT_NOFORMAT）。");
  fake.formatResult = 0xFFFFFFFE;   // cancelled in the format dialog: the user's own No
  fake.QueueAnswer(mbox::IdYes);
  Apply();
  EXPECT_EQ(last.code, WimCode::Declined);
  EXPECT_EQ(fake.formatRequests.size(), 2u);
  EXPECT_TRUE(window.empty());
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

TEST_F(WimEngineTest, FailedApplyOrBootRepairIsNotReportedAsDone) {
  wimFile->imageCount = 1;
  fake.wimOperationError = 5;
  fake.QueueAnswer(mbox::IdYes);
  Apply();
  EXPECT_EQ(window, (std::vector<std::wstring>{L"run", L"status 操作失败！代码：5", L"enable close"}));
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_EQ(last.code, WimCode::ApplyFailed);
  EXPECT_EQ(last.text, L"操作失败！代码：5\nD:盘已经格式化，原有的数据已被清除。");

  fake.wimOperationError = 0;
  fake.onStart = [](const FakeSeam::ProcessStart&) { return 1; };
  fake.QueueAnswer(mbox::IdYes);
  Apply();
  EXPECT_EQ(last.code, WimCode::BootNotRepaired);
  EXPECT_EQ(last.text, L"修复启动项出错！");
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

TEST_F(WimEngineTest, CaptureCreatesOrAppendsWithTheChosenCompression) {
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\backup.wim", 2);
  EXPECT_EQ(fake.messages[0].text, L"确定将分区：C:备份到文件：D:\\backup.wim中么？");
  EXPECT_EQ(fake.wimCalls[0], L"CreateFile D:\\backup.wim 40000000 2 0 2");
  EXPECT_EQ(fake.wimCalls[3], L"CaptureImage 1 C:\\ 0");
  EXPECT_EQ(last.code, WimCode::Captured);
  EXPECT_EQ(last.text, L"操作完成！");
  EXPECT_EQ(window.back(), L"close");

  fake.wimCalls.clear();
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\backup.wim", 3);
  EXPECT_EQ(fake.wimCalls[0], L"CreateFile D:\\backup.wim C0000000 3 0 3");
  EXPECT_EQ(fake.wimFiles.begin()->second.imageCount, 2u);
  // The handle is still open when its callback is unregistered.
  EXPECT_EQ(fake.wimCalls.back(), L"CloseHandle 3");
  EXPECT_EQ(fake.wimCalls[fake.wimCalls.size() - 2], L"UnregisterCallback 3");
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

TEST_F(WimEngineTest, CaptureRefusalsAndFailures) {
  Capture(L"D:\\gone\\a.wim");   // told before the question, nothing made
  EXPECT_EQ(last.text, L"镜像文件：D:\\gone\\a.wim所在的文件夹不存在，请重新选择！");
  EXPECT_TRUE(fake.messages.empty() && Changed(fake).empty());
  fake.QueueAnswer(mbox::IdNo);
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::Declined);
  EXPECT_TRUE(fake.wimCalls.empty());
  fake.wimCreateError = 5;
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::NotCreated);
  EXPECT_EQ(last.text, L"打开或者创建WIM文件失败！错误代码：5\nD:\\a.wim");
  fake.wimCreateError = 0;
  fake.wimTemporaryPathFails = true;
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::TemporaryPathRefused);
  EXPECT_EQ(last.text, L"设置临时文件路径失败！");
  fake.wimTemporaryPathFails = false;
  fake.wimCallbackRefused = true;
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::CallbackRefused);
  EXPECT_EQ(last.text, L"注册回调函数失败！");
  for (const std::wstring& call : fake.wimCalls)   // a refused registration is not undone
    EXPECT_NE(call.rfind(L"UnregisterCallback", 0), 0u);
  EXPECT_TRUE(window.empty());
  fake.wimCallbackRefused = false;
  fake.wimOperationError = 112;
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::CaptureFailed);
  EXPECT_EQ(window.back(), L"enable close");
  EXPECT_TRUE(fake.wimOpenHandles.empty());
  // The file the failed capture created and its temporary folder are gone.
  EXPECT_FALSE(fake.Exists(L"D:\\a.wim"));
  EXPECT_FALSE(fake.Exists(L"C:\\Windows\\Temp\\KXWimTemp"));
  // A failed capture that was adding an image keeps the file and its earlier images.
  fake.AddWimFile(L"D:\\kept.wim").imageCount = 2;
  fake.QueueAnswer(mbox::IdYes);
  Capture(L"D:\\kept.wim");
  EXPECT_TRUE(fake.Exists(L"D:\\kept.wim"));
  EXPECT_EQ(fake.wimFiles.at(L"D:\\KEPT.WIM").imageCount, 2u);

  fake.AddFolder(L"C:\\Windows\\Temp\\KXWimTemp");
  fake.Fail(FakeSeam::Op::ShellDelete, L"C:\\Windows\\Temp\\KXWimTemp");
  Capture(L"D:\\a.wim");
  EXPECT_EQ(last.code, WimCode::TempFolderNotRemoved);
  EXPECT_EQ(last.text, L"移除临时文件夹失败！");
}

TEST_F(WimEngineTest, CallbackWritesTheImagingLogToStandardOutput) {
  LoggedProgress logged(&window);
  _WIMJOB job;
  job.progress = &logged;
  std::wstring path = L"C:\\Windows\\系统.dll";
  testing::internal::CaptureStdout();
  EXPECT_EQ(WimMessageCallback(wim::MsgError, reinterpret_cast<uintptr_t>(path.c_str()), 5, &job), 0u);
  WimMessageCallback(wim::MsgRetry, reinterpret_cast<uintptr_t>(path.c_str()), 32, &job);
  WimMessageCallback(wim::MsgInfo, 0, 0, &job);
  WimMessageCallback(wim::MsgWarning, reinterpret_cast<uintptr_t>(path.c_str()), -1, &job);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR: C:\\Windows\\系统.dll [err = 5]\nRETRY: C:\\Windows\\系统.dll [err = 32]\nINFO:  [err = 0]\n"
            "WARNING: C:\\Windows\\系统.dll [err = -1]\n");
  EXPECT_TRUE(window.empty());
}

TEST_F(WimEngineTest, ExternalInstallerFromADriveRoot) {
  RunExternalInstaller();
  EXPECT_EQ(MessageTexts(fake), std::vector<std::wstring>{L"找不到外置安装器！\nC:\\Rigmate\\SGI.exe"});
  fake.AddFile(L"E:\\SGI.exe");
  RunExternalInstaller();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"E:\\SGI.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"");
  EXPECT_FALSE(fake.starts[0].wait);
  EXPECT_TRUE(fake.starts[0].show);
}
