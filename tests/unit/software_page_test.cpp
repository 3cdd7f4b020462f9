// The software page's actions on a simulated machine: SOFT_MAP split and read, and the
// installers run in a queue, alone, or refused while the queue runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "pages/toolbox/software_actions.h"
#include "platform/disk.h"
#include "platform/system.h"
#include "tests/fakes/fake_seam.h"

using namespace software_page;

namespace {

std::vector<std::wstring> Lines(const std::wstring& text, bool cut = false) {
  std::vector<std::wstring> out;
  for (const map_text::Line& line : SoftwareMapLines(text, cut)) out.push_back(line.text);
  return out;
}

TEST(SoftwareMapSplit, EmptyOverlongAndNulLinesAreLeftOutWhole) {
  EXPECT_EQ(Lines(L"a|b\r\n\r\nc\nd\r"), (std::vector<std::wstring>{L"a|b", L"c", L"d"}));
  // The limit counts bytes of the thread's code page: 中 takes three in the fake's.
  std::wstring fits(kLineBytes, L'f'), over(kLineBytes + 1, L'o'), wide(kLineBytes / 3 + 1, L'中');
  EXPECT_EQ(Lines(fits + L"\r\n" + over + L"\r\n" + wide + L"\nnext"), (std::vector<std::wstring>{fits, L"next"}));
  EXPECT_EQ(Lines(std::wstring(L"a|b\0c|d|e\r\nok", 13)), std::vector<std::wstring>{L"ok"});
  EXPECT_EQ(Lines(L"a|b|c|d\r\ne|f|g|/S /D=C:\\Pro", true), std::vector<std::wstring>{L"a|b|c|d"});
}

TEST(SoftwareMapSplit, FieldsFollowTheSeparators) {
  MapFields f = SplitSoftwareLine(L"Editor|setup\\editor.exe|文本编辑器|/S /D=a|b");
  EXPECT_EQ(f.name, L"Editor");
  EXPECT_EQ(f.relativeFile, L"setup\\editor.exe");
  EXPECT_EQ(f.description, L"文本编辑器");
  EXPECT_EQ(f.parameters, L"/S /D=a|b");
  f = SplitSoftwareLine(L"Editor|e.exe|no parameters");
  EXPECT_EQ(f.description, L"no parameters");
  EXPECT_EQ(f.parameters, L"");
  EXPECT_EQ(SplitSoftwareLine(L"||||").relativeFile, L"");
  EXPECT_EQ(SplitSoftwareLine(L"Editor|e.exe").relativeFile, L"");
  EXPECT_EQ(SplitSoftwareLine(L"no separators").name, L"");
}

// Records what the catalogue load tells its dialog, in order, and how the dialog ends.
class RecordingReport : public Progress {
 public:
  void Status(const std::wstring& text) override { events.push_back(L"status " + text); }
  void Position(int position) override { events.push_back(L"progress " + std::to_wstring(position)); }
  bool Stopping() const override { return false; }
  void Pause(int) override {}
  void AllowStop(bool) override {}
  std::vector<std::wstring> events;
  int nextIcon = 7;
};

class SoftwarePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.SetDrives(L"CD");
    fake.modulePath = L"C:\\prog\\Rigmate.exe";
    TheDisk().Refresh();
  }
  void TearDown() override { TheDisk().Refresh(); }

  FakeSeam fake;
  ScopedSeam use{&fake};
  RecordingReport report;
  SoftwareList catalogue;
  std::vector<std::wstring> skipped;

  // The load as the progress dialog runs it: its result closes the dialog or enables "关闭".
  bool Load() {
    bool loaded = LoadSoftwareCatalogue(report, [this](const std::wstring&) { return report.nextIcon++; }, &catalogue,
                                        &skipped);
    report.events.push_back(loaded ? L"done" : L"failed");
    return loaded;
  }
};

TEST_F(SoftwarePageTest, CatalogueKeepsMapOrderAndListsTheLinesItLeavesOutOnce) {
  const std::wstring folder = L"D:\\Rigmate\\SOFTWARE";
  const std::string map =
      "编辑器|setup\\editor.exe|文本编辑器|/S\r\nGone|setup\\gone.exe|x|/q\r\n"
      "Bad\xff\xfe|setup\\player.exe|p|--silent|x\r\n\r\nno separator\r\n";
  fake.AddFile(folder + L"\\SOFT_MAP", map);
  fake.AddFile(folder + L"\\setup\\editor.exe");
  fake.AddFile(folder + L"\\setup\\player.exe");
  catalogue.push_back({});  // a catalogue is replaced, not added to

  ASSERT_TRUE(Load());
  ASSERT_EQ(catalogue.size(), 2u);
  const _SOFTWARE& first = catalogue.front();
  EXPECT_EQ(first.name, L"编辑器");
  EXPECT_EQ(first.installerPath, folder + L"\\setup\\editor.exe");
  EXPECT_EQ(first.description, L"文本编辑器");
  EXPECT_EQ(first.parameters, L"/S");
  EXPECT_EQ(first.iconIndex, 7);
  EXPECT_EQ(catalogue.back().name, L"Bad\uFFFD\uFFFD");
  EXPECT_EQ(catalogue.back().parameters, L"--silent|x");
  const std::wstring text = fake.AnsiToWide(map);
  auto percent = [&](size_t end) { return L"progress " + std::to_wstring(end * 100 / text.size()); };
  EXPECT_EQ(report.events, (std::vector<std::wstring>{
                               L"status 正在解析软件映射文件，请稍等！", L"status " + first.installerPath,
                               percent(text.find(L'\r')), L"status " + catalogue.back().installerPath,
                               percent(text.find(L"\r\n\r\n")), L"done"}));
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(software_page::SkippedLinesText(skipped),
            L"软件映射文件中有2行没有列入软件列表：\n第2行：找不到安装程序D:\\Rigmate\\SOFTWARE\\setup\\gone.exe\n"
            L"第5行：没有用“|”隔开的安装程序文件：no separator");
}

TEST_F(SoftwarePageTest, MapsAsEditorsSaveThemGiveWholeEntries) {
  const std::wstring folder = L"C:\\prog\\Rigmate\\SOFTWARE";
  fake.AddFile(folder + L"\\a.exe");
  fake.AddFile(folder + L"\\b.exe");
  auto load = [&](const std::string& map) {
    fake.AddFile(folder + L"\\SOFT_MAP", map);
    catalogue.clear();
    EXPECT_TRUE(Load());
    std::wstring flat;
    for (const _SOFTWARE& entry : catalogue) flat += entry.name + L"," + entry.parameters + L";";
    return flat;
  };
  // Longer than the head: the entry the cut reaches is not installed with shortened
  // parameters; a file of exactly the head's size keeps its last line.
  std::string longMap;
  while (longMap.size() + 14 <= kMapReadBytes - 40) longMap += "A|a.exe|x|/S\r\n";
  const size_t whole = longMap.size() / 14;
  longMap += std::string(20, 'p') + "|b.exe|x|/S /D=C:\\Program Files\\B\r\n";
  ASSERT_GT(longMap.size(), kMapReadBytes);
  load(longMap);
  EXPECT_EQ(catalogue.size(), whole);
  EXPECT_EQ(catalogue.back().parameters, L"/S");
  load(longMap.substr(0, kMapReadBytes));
  EXPECT_EQ(catalogue.size(), whole + 1);
  // Line feeds alone, and the Unicode forms with their byte-order marks.
  EXPECT_EQ(load("A|a.exe|x|/S\nB|b.exe|y|/q\n"), L"A,/S;B,/q;");
  EXPECT_EQ(load("\xEF\xBB\xBF\xE7\xBC\x96|a.exe|x|/S\r\n"), L"编,/S;");
  std::string utf16("\xFF\xFE", 2);
  for (wchar_t c : std::wstring(L"编|b.exe|y|/q\r\n")) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  EXPECT_EQ(load(utf16), L"编,/q;");
}

TEST_F(SoftwarePageTest, MissingOrUnreadableMapLeavesItsTextAndTheCloseButton) {
  EXPECT_FALSE(Load());
  EXPECT_EQ(report.events, (std::vector<std::wstring>{L"status 找不带软件映射文件！\nC:\\prog\\Rigmate\\SOFTWARE\\SOFT_MAP", L"failed"}));

  report.events.clear();
  fake.AddFile(L"C:\\prog\\Rigmate\\SOFTWARE\\SOFT_MAP", "a|b|c|d");
  fake.Fail(FakeSeam::Op::ReadFileHead, L"C:\\prog\\Rigmate\\SOFTWARE\\SOFT_MAP");
  EXPECT_FALSE(Load());
  EXPECT_EQ(report.events, (std::vector<std::wstring>{L"status 打开软件映射文件失败！", L"failed"}));
  EXPECT_TRUE(catalogue.empty());
}

TEST_F(SoftwarePageTest, QueueRunsEveryInstallerSilentlyInOrderPastFailures) {
  fake.SetStartFails(L"b.exe");
  fake.SetExitCode(L"a.exe", 3);
  InstallThread thread;
  ASSERT_TRUE(StartInstall(thread, {{L"Editor", L"D:\\s\\a.exe", L"/S"},
                                    {L"Google Chrome", L"D:\\s\\b.exe", L"/q"},
                                    {L"播放器", L"D:\\s\\c.exe", L"/quiet /norestart"}}));
  thread.Join();
  ASSERT_EQ(fake.starts.size(), 3u);
  EXPECT_EQ(fake.starts[0].application, L"D:\\s\\a.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"Editor /S");
  EXPECT_EQ(fake.starts[1].commandLine, L"\"Google Chrome\" /q");  // a name with a blank is quoted
  EXPECT_EQ(fake.starts[2].commandLine, L"播放器 /quiet /norestart");
  for (const auto& start : fake.starts) EXPECT_TRUE(start.wait && start.show);
  EXPECT_TRUE(fake.messages.empty());

  ASSERT_TRUE(StartInstall(thread, {}));  // nothing ticked: a thread that ends at once
  thread.Join();
  EXPECT_EQ(fake.starts.size(), 3u);
}

// What the queue tells the page, kept in order (it tells from the install thread).
struct Told {
  QueueReport Report() {
    return {[this](int row, const std::wstring& state) { Add(std::to_wstring(row) + L" " + state); },
            [this](const std::wstring& summary, bool) { Add(summary); }};
  }
  void Add(const std::wstring& line) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
  }
  bool Has(const std::wstring& line) {
    std::lock_guard<std::mutex> lock(mutex);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::mutex mutex;
  std::vector<std::wstring> lines;
};

TEST_F(SoftwarePageTest, QueueTellsEachEntrysStateAndASummary) {
  fake.SetExitCode(L"a.exe", 3);
  fake.SetStartFails(L"b.exe");
  Told told;
  std::atomic<bool> stop{false};
  QuietProgress progress(stop);
  RunInstallQueue({{L"A", L"D:\\a.exe", L"/S", 0}, {L"B", L"D:\\b.exe", L"/q", 2}, {L"C", L"D:\\c.exe", L"", 5}},
                  progress, told.Report());
  EXPECT_EQ(told.lines, (std::vector<std::wstring>{
                            L"0 等待安装", L"2 等待安装", L"5 等待安装", L"0 正在安装...", L"0 安装失败(退出代码3)",
                            L"2 正在安装...", L"2 无法启动", L"5 正在安装...", L"5 安装完成",
                            L"安装队列结束：1个安装完成，2个失败，0个没有装完。"}));
  told.lines.clear();
  RunInstallQueue({}, progress, told.Report());            // nothing ticked: no summary either
  EXPECT_TRUE(told.lines.empty());
}

TEST(SoftwareInstall, ASecondPressAsksAndStopsWaitingForAHungInstaller) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.SetRunsFor(L"a.exe", -1);                // runs until its question is answered
  fake.QueueAnswer(mbox::IdNo);
  fake.QueueAnswer(mbox::IdYes);
  Told told;
  InstallThread thread;
  const InstallQueue other{{L"Other", L"D:\\b.exe", L"/S", 1}};
  ASSERT_TRUE(StartInstall(thread, {{L"Editor", L"D:\\a.exe", L"/S", 0}, other.front()}, told.Report()));
  auto until = [](const std::function<bool()>& done) {
    for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
  };
  ASSERT_TRUE(until([&] { return told.Has(L"0 正在安装..."); }));
  EXPECT_FALSE(StartInstall(thread, {}));        // "否": still waited for two looks later
  const int polls = fake.watchPolls;
  ASSERT_TRUE(until([&] { return fake.watchPolls > polls + 1; }));
  EXPECT_TRUE(thread.Queueing());
  EXPECT_FALSE(StartInstall(thread, {}));        // "是"
  ASSERT_TRUE(until([&] { return !thread.StillRunning().empty(); }));
  EXPECT_FALSE(StartInstall(thread, other));     // nothing on top of the installer still running
  fake.EndRunning(L"a.exe");
  thread.Join();
  EXPECT_EQ(told.lines, (std::vector<std::wstring>{L"0 等待安装", L"1 等待安装", L"0 正在安装...", L"0 已停止等待，仍在运行",
                                                   L"1 未安装", L"安装队列结束：0个安装完成，0个失败，2个没有装完。",
                                                   L"0 已停止等待"}));
  ASSERT_EQ(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[0].text, kStopQuestion);
  EXPECT_EQ(fake.messages[0].style, 0x124u);
  EXPECT_EQ(fake.messages[2].text, L"已停止等待的安装程序Editor还在运行，请等它结束后再安装！");
  EXPECT_EQ(fake.starts.size(), 1u);
}

}  // namespace
