// The WIM engine on real WIM files: capture, append, choose, apply, damaged files,
// failed captures and progress, with the WIM library behind the seam.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "deploy/wim_engine.h"
#include "deploy/wim_mount.h"
#include "platform/format.h"
#include "platform/system.h"
#include "tests/wimlib/wimlib_seam.h"

namespace fs = std::filesystem;

namespace {

// The progress window: the bar's values and the status texts.
class RecordedProgress : public Progress {
 public:
  RecordedProgress(std::vector<int>* bar, std::vector<std::wstring>* statuses) : bar_(bar), statuses_(statuses) {}
  void Position(int percent) override { bar_->push_back(percent); }
  void Status(const std::wstring& text) override { statuses_->push_back(text); }
  bool Stopping() const override { return false; }
  void Pause(int) override {}
  void AllowStop(bool) override {}

 private:
  std::vector<int>* bar_;
  std::vector<std::wstring>* statuses_;
};

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file and folder under a folder: relative path -> contents ("/" for a folder).
std::map<std::string, std::string> TreeOf(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    tree[fs::relative(entry.path(), folder).string()] = entry.is_directory() ? "/" : ReadFile(entry.path());
  return tree;
}

// wimlib-imagex with these arguments: its exit status and standard output.
int Tool(const std::string& arguments, std::string* output = nullptr) {
  std::FILE* pipe = popen((std::string(WIMLIB_IMAGEX) + " " + arguments + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Writes beyond this many bytes into any file fail with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

std::string NewScratchFolder() {
  char name[] = "/tmp/rigmate-wim-XXXXXX";
  return mkdtemp(name) ? name : "";
}

}  // namespace

class WimRealTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.empty());
    fs::create_directories(seam.RealPath(L"C:\\Windows\\Temp"));
    // The tree captured from E: nested folders, Chinese names, an empty file, an empty
    // folder and a file of a few MB, half of it incompressible.
    fs::path e = seam.RealPath(L"E:");
    WriteFile(e / "Windows/System32/drivers/disk.sys", std::string(1000, 'S'));
    WriteFile(e / "用户/文档/说明.txt", "系统备份说明\r\n");
    fs::create_directories(e / "用户/空文件夹");
    WriteFile(e / "empty.dat", "");
    std::string big(3 << 20, '\0');
    uint32_t state = 12345;
    for (size_t i = 0; i < big.size(); ++i)
      big[i] = i < big.size() / 2 ? static_cast<char>((state = state * 1103515245u + 12345u) >> 24)
                                  : "Rigmate WIM "[i % 12];
    WriteFile(e / "data/big.bin", big);

    page.chooseImage = [this](const WimImageList& images) {
      for (const auto& image : images) shown.push_back(Format(L"%d %s %s", image.index, image.name, image.description));
      return chosen;
    };
    // The work runs on a thread of its own, as behind the progress window.
    page.runWork = [this](const Work& work) {
      RecordedProgress progress(&bar, &statuses);
      bool succeeded = false;
      std::thread([&] { succeeded = work(progress); }).join();
      return succeeded;
    };
  }
  void TearDown() override {
    EXPECT_EQ(seam.OpenHandles(), 0u);
    fs::remove_all(scratch);
  }

  std::string Real(const std::wstring& path) { return seam.RealPath(path); }
  void Capture(const std::wstring& imagePath, int compression) {
    bar.clear();
    statuses.clear();
    seam.QueueAnswer(mbox::IdYes);
    last = CaptureWimImage(imagePath, L"E:", compression, page);
  }
  void Apply(const std::wstring& imagePath) {
    bar.clear();
    statuses.clear();
    seam.QueueAnswer(mbox::IdYes);
    last = ApplyWimImage(imagePath, L"F:", page);
  }
  // The bar started at 0, ended at 100, moved in between and never went back.
  void ExpectBarRanForward() {
    std::string values;
    for (int value : bar) values += std::to_string(value) + " ";
    SCOPED_TRACE("bar: " + values);
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar.front(), 0);
    EXPECT_EQ(bar.back(), 100);
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
  }
  std::wstring LastMessage() const { return last.text; }
  WimOutcome last;

  std::string scratch = NewScratchFolder();
  WimlibSeam seam{scratch, L"CDEF"};
  ScopedSeam use{&seam, &seam.imaging(), &seam};
  WimPageHooks page;
  int chosen = 1;
  std::vector<std::wstring> shown, statuses;
  std::vector<int> bar;
  const std::wstring tempFolder = L"C:\\Windows\\Temp\\KXWimTemp";
};

TEST_F(WimRealTest, CaptureWithEachCompressionMakesAWimOthersRead) {
  const char* names[] = {"None", "XPRESS", "LZX", "LZMS"};
  for (int compression = 0; compression < 4; ++compression) {
    SCOPED_TRACE(names[compression]);
    std::wstring wimPath = Format(L"D:\\backup%d.wim", compression);
    Capture(wimPath, compression);
    EXPECT_EQ(LastMessage(), L"操作完成！");
    ExpectBarRanForward();
    EXPECT_EQ(statuses.front(), L"正在扫描......，请耐心等待！");

    std::string real = Real(wimPath), info, listing;
    EXPECT_EQ(Tool("verify " + Quoted(real)), 0);
    ASSERT_EQ(Tool("info " + Quoted(real), &info), 0);
    size_t line = info.find("\nCompression:");
    ASSERT_NE(line, std::string::npos) << info;
    EXPECT_EQ(info.substr(line + 13, info.find('\n', line + 1) - line - 13).find(names[compression]), 4u) << info;
    ASSERT_EQ(Tool("dir " + Quoted(real) + " 1", &listing), 0);
    std::string expected = "/\n";
    for (const auto& entry : TreeOf(Real(L"E:"))) expected += "/" + entry.first + "\n";
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = listing.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(listing.substr(at, end - at));
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const auto& line : lines) sorted += line + "\n";
    EXPECT_EQ(sorted, expected);
  }
}

TEST_F(WimRealTest, AppendedImageIsListedAndAppliesBackOntoTheFormattedTarget) {
  std::string real = Real(L"D:\\backup.wim");
  Capture(L"D:\\backup.wim", 1);
  ASSERT_EQ(Tool("info " + Quoted(real) + " 1 '完整备份' '第一次'"), 0);
  WriteFile(Real(L"E:\\用户\\文档\\说明.txt"), "改过的说明");
  WriteFile(Real(L"E:\\新文件.txt"), "第二次才有");
  const auto captured = TreeOf(Real(L"E:"));
  Capture(L"D:\\backup.wim", 3);    // appended: the file keeps its XPRESS
  EXPECT_EQ(LastMessage(), L"操作完成！");
  ASSERT_EQ(Tool("info " + Quoted(real) + " 2 '增量备份' '第二次'"), 0);
  EXPECT_EQ(Tool("verify " + Quoted(real)), 0);

  WriteFile(Real(L"F:\\旧系统\\old.txt"), "formatted away");
  chosen = 2;
  Apply(L"D:\\backup.wim");
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"1 完整备份 第一次", L"2 增量备份 第二次"}));
  ASSERT_EQ(seam.formatRequests.size(), 1u);
  EXPECT_EQ(seam.formatRequests[0].drive, 5u);
  EXPECT_EQ(TreeOf(Real(L"F:")), captured);
  ExpectBarRanForward();
  ASSERT_EQ(seam.starts.size(), 1u);
  EXPECT_EQ(seam.starts[0].commandLine, L"bcdboot.exe F:\\windows /L ZH-CN /s F:");
  EXPECT_EQ(LastMessage(), L"安装完成，请重启电脑进行下一步的安装。");
}

TEST_F(WimRealTest, DamagedFilesAndMissingImagesFailBeforeTheFormat) {
  Capture(L"D:\\good.wim", 2);
  Capture(L"D:\\good.wim", 2);
  std::string good = ReadFile(Real(L"D:\\good.wim"));
  WriteFile(Real(L"D:\\cut.wim"), good.substr(0, good.size() / 2));
  std::string text;
  while (text.size() < 4096) text += "这不是WIM文件，只是一段文字。\r\n";
  WriteFile(Real(L"D:\\text.wim"), text);
  WriteFile(Real(L"F:\\old.txt"), "keep me");
  size_t boxes = seam.messages.size();

  // A file that cannot be opened as a WIM ends the apply with the imaging error's code.
  Apply(L"D:\\cut.wim");
  EXPECT_EQ(LastMessage(), L"打开WIM文件失败！错误代码：1392\nD:\\cut.wim");
  Apply(L"D:\\text.wim");
  EXPECT_EQ(LastMessage(), L"打开WIM文件失败！错误代码：11\nD:\\text.wim");
  EXPECT_EQ(seam.messages.size(), boxes);   // not even the question
  // An index past the last one cannot be loaded.
  chosen = 3;
  Apply(L"D:\\good.wim");
  EXPECT_EQ(LastMessage(), L"打开镜像失败！");
  EXPECT_EQ(seam.messages.size(), boxes);

  EXPECT_TRUE(seam.formatRequests.empty());
  EXPECT_EQ(TreeOf(Real(L"F:")), (std::map<std::string, std::string>{{"old.txt", "keep me"}}));
  EXPECT_TRUE(bar.empty());
  EXPECT_EQ(ReadFile(Real(L"D:\\good.wim")), good);
}

TEST_F(WimRealTest, CaptureFailingOnAFullDiskLeavesNothingOfItsOwn) {
  {
    FileSizeLimit full(512 << 10);
    Capture(L"D:\\new.wim", 0);
  }
  EXPECT_EQ(statuses.back(), L"操作失败！代码：112");
  EXPECT_NE(LastMessage(), L"操作完成！");
  EXPECT_FALSE(fs::exists(Real(L"D:\\new.wim")));
  EXPECT_FALSE(fs::exists(Real(tempFolder)));

  Capture(L"D:\\kept.wim", 0);
  ASSERT_EQ(LastMessage(), L"操作完成！");
  std::string before = ReadFile(Real(L"D:\\kept.wim"));
  WriteFile(Real(L"E:\\data\\more.bin"), std::string(1 << 20, 'M'));
  {
    FileSizeLimit full(before.size() + (64 << 10));
    Capture(L"D:\\kept.wim", 0);
  }
  EXPECT_EQ(statuses.back(), L"操作失败！代码：112");
  EXPECT_EQ(ReadFile(Real(L"D:\\kept.wim")), before);
  EXPECT_EQ(Tool("verify " + Quoted(Real(L"D:\\kept.wim"))), 0);
  EXPECT_FALSE(fs::exists(Real(tempFolder)));
}

TEST_F(WimRealTest, ToolPackMountIsNotAvailableAndSaysSo) {
  Capture(L"D:\\WEPE32.WIM", 1);
  Capture(L"D:\\WEPE32.WIM", 1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(MountWimImage(L"D:\\WEPE32.WIM", 2, L"C:\\Rigmate\\WEPE32"), 50u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error 0x00000032 while mounting image.\n");
}
