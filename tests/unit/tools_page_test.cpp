// The tool pack page's actions on a simulated machine: TOOLS.MAP split by its byte rules,
// the loader's two roads (PE folder, mounted WEPE image), mount folder questions and the
// clean-up, and the list filters.
#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "pages/toolbox/tools_page_actions.h"
#include "tests/unit/cp936_seam.h"

namespace {

std::wstring Split(const std::wstring& text, bool cut = false) {
  std::wstring flat;
  for (const auto& l : tools_page::SplitToolsMap(text, cut))
    flat += l.name + L"," + l.category + L"," + l.path + L"," + l.description + L";";
  return flat;
}

TEST(ToolsMapSplit, LinesEndAtCrLfCrOrLfAndFieldsAfterTheFourthAreDropped) {
  EXPECT_EQ(Split(L"a|b|\\a.exe|d\r\nc|e|\\c.exe|f\ng|h|\\g.exe|i\rlast|x| y |z"),
            L"a,b,\\a.exe,d;c,e,\\c.exe,f;g,h,\\g.exe,i;last,x, y ,z;");   // no trimming
  EXPECT_EQ(Split(L"a|b\r\n\r\n\nc"), L"a,b,,;c,,,;");            // empty lines are no tools
  EXPECT_EQ(Split(L"a|b|c|d|fifth|sixth\r\n"), L"a,b,c,d;");
  EXPECT_EQ(Split(L"a|b|c|d\r\ncut|b|\\cu", true), L"a,b,c,d;");
}

TEST(ToolsMapSplit, FieldsThatOverflowTheirRoomLeaveTheLineOut) {
  const std::wstring name35(35, 'n'), category19(19, 'c'), path127(127, 'p'), description255(255, 'd');
  EXPECT_EQ(Split(name35 + L"|" + category19 + L"|" + path127 + L"|" + description255 + L"\r\n" +
                  name35 + L"n|c|p|d\r\nn|" + category19 + L"c|p|d\r\nn|c|" + path127 + L"p|d\r\n" +
                  L"n|c|p|" + description255 + L"d\r\n" + std::wstring(L"a\0b|c|p|d\r\n", 11) + L"ok|c|p|d"),
            name35 + L"," + category19 + L"," + path127 + L"," + description255 + L";ok,c,p,d;");
  // The room counts bytes of the thread's code page: 中 takes three in the fake's.
  EXPECT_EQ(Split(std::wstring(12, L'中') + L"|c|p|d\r\n" + std::wstring(11, L'中') + L"|c|p|d"),
            std::wstring(11, L'中') + L",c,p,d;");
}

// Records what the loader hands to the page.
struct RecordingHost {
  std::vector<_PROGRAM> programs;
  std::string events;
  std::wstring note;
  tools_page::ToolsOut Out() {
    return {[this](_PROGRAM program) {
              programs.push_back(std::move(program));
              events += "+";
            },
            [this] { events += "R"; }, [this](const std::wstring& why) { note = why; }};
  }
};

std::string Lines(int count) {
  std::string map;
  for (int i = 0; i < count; ++i) map += "t" + std::to_string(i) + "|cat|\\Tools\\t" + std::to_string(i) + ".exe|d\r\n";
  return map;
}

class ToolsLoaderTest : public ::testing::Test {
 protected:
  Cp936Seam fake;
  ScopedSeam use{&fake};
  RecordingHost host;
  std::wstring mountRoot;
  MountList mounts;

  std::atomic<bool> stop{false};
  QuietProgress progress{stop};

  void Load() { tools_page::ToolsLoadThread(&mountRoot, &mounts, host.Out(), progress); }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
};

TEST_F(ToolsLoaderTest, InsidePeTheMapOfProgramFilesIsReadWithARefreshEveryFifthAndAtTheEnd) {
  fake.processNames.push_back(L"PECMD.EXE");
  fake.AddFile(L"X:\\Program Files\\TOOLS.MAP", Lines(3));
  fake.fileVersions[L"X:\\Program Files\\Tools\\t1.exe"] = {(1u << 16) | 2u, (3u << 16) | 4u};
  Load();
  EXPECT_EQ(host.events, "+++R");
  ASSERT_EQ(host.programs.size(), 3u);
  EXPECT_EQ(host.programs[1].strPath, L"X:\\Program Files\\Tools\\t1.exe");
  EXPECT_EQ(host.programs[1].strVersion, L"1.2.3.4");
  EXPECT_EQ(host.programs[0].strVersion, L"");
  EXPECT_TRUE(fake.wimCalls.empty());

  host = RecordingHost();
  fake.AddFile(L"X:\\Program Files\\TOOLS.MAP", Lines(11));
  Load();
  EXPECT_EQ(host.events, "+++++R+++++R+R");
}

TEST_F(ToolsLoaderTest, MapsAsTechniciansWriteThemGiveWholeTools) {
  fake.processNames.push_back(L"PECMD.EXE");
  auto load = [&](const std::string& map) {
    fake.AddFile(L"X:\\Program Files\\TOOLS.MAP", map);
    host = RecordingHost();
    Load();
    std::wstring flat;
    for (const _PROGRAM& p : host.programs) flat += p.strName + L"," + p.strCategory + L"," + p.strPath + L";";
    return flat;
  };
  // 東 and 億 end in the byte of "|": no character is cut and no field moves.
  EXPECT_EQ(load("\x96\x7C\x83\x7C|\xCF\xB5\xCD\xB3\xB9\xA4\xBE\xDF|\\\x96\x7C.exe|d\r\n"),
            L"東億,系统工具,X:\\Program Files\\東.exe;");
  EXPECT_EQ(load("a|b|\\a.exe|d\nc|d|\\c.exe|e\n"), L"a,b,X:\\Program Files\\a.exe;c,d,X:\\Program Files\\c.exe;");
  EXPECT_EQ(load("\xFF\xFE" + std::string("a\0|\0b\0|\0\\\0\x1C\x67|\0d\0", 16)), L"a,b,X:\\Program Files\\朜;");
  // Longer than the head: the tool the cut reaches is left out, not started from a cut path.
  std::string longMap;
  while (longMap.size() < tools_page::kMapReadBytes - 10) longMap += "t|c|\\t.exe|d\r\n";
  const size_t whole = longMap.size() / 14;
  load(longMap + "cut|c|\\long\\path.exe|d\r\n");
  ASSERT_EQ(host.programs.size(), whole);
  EXPECT_EQ(host.programs.back().strName, L"t");
}

TEST_F(ToolsLoaderTest, InsidePeAMissingOrUnreadableMapIsReported) {
  fake.processNames.push_back(L"PECMD.EXE");
  Load();
  fake.AddFile(L"X:\\Program Files\\TOOLS.MAP", "a|b|c|d");
  fake.Fail(FakeSeam::Op::ReadFileHead, L"X:\\Program Files\\TOOLS.MAP");
  Load();
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"找不到TOOL.MAP文件！\nX:\\Program Files\\TOOLS.MAP", L"打开配置文件失败！"}));
  EXPECT_EQ(host.note, L"无法读取工具列表TOOLS.MAP，没有工具可列出：\nX:\\Program Files\\TOOLS.MAP");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  EXPECT_TRUE(host.programs.empty());
}

TEST_F(ToolsLoaderTest, OnA64BitWindowsWithOnlyWepe32ItIsMountedReadOnlyAndItsMapRead) {
  fake.wow64 = true;
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.wimFiles.begin()->second.mountedFiles[L"TOOLS.MAP"] = "a|b|\\x.exe|d\r\n";
  testing::internal::CaptureStdout();
  Load();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(mountRoot, L"C:\\Rigmate");
  ASSERT_EQ(mounts.size(), 1u);
  EXPECT_EQ(mounts.front().strMountPath, L"C:\\Rigmate\\WEPE32");
  EXPECT_EQ(mounts.front().bMounted, 1);
  EXPECT_EQ(fake.wimCalls, (std::vector<std::wstring>{
                               L"CreateFile C:\\Rigmate\\WEPE\\WEPE32.WIM A0000000 3 0 0",
                               L"SetTemporaryPath 1 C:\\Windows\\Temp\\", L"LoadImage 1 2",
                               L"MountImageHandle 2 C:\\Rigmate\\WEPE32 200", L"CloseHandle 2", L"CloseHandle 1"}));
  ASSERT_EQ(host.programs.size(), 1u);
  EXPECT_EQ(host.programs[0].strPath, L"C:\\Rigmate\\WEPE32\\x.exe");
  EXPECT_EQ(host.events, "+R");
  EXPECT_TRUE(fake.messages.empty());

  fake.wimCalls.clear();
  tools_page::CleanUpMounts(mounts);
  EXPECT_EQ(fake.wimCalls[0], L"GetMountedImageHandle C:\\Rigmate\\WEPE32 0");
  EXPECT_EQ(fake.wimCalls[1], L"UnmountImageHandle 4 0");
  EXPECT_FALSE(fake.Exists(L"C:\\Rigmate\\WEPE32"));
  EXPECT_TRUE(fake.Exists(L"C:\\Rigmate"));
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

TEST_F(ToolsLoaderTest, NoWepeImageMeansNoBoxAndNoMountButANoteOnThePage) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE64.WIM");   // 64-bit image on a 32-bit Windows
  Load();
  EXPECT_TRUE(mounts.empty());
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(host.note, L"找不到工具包WEPE32.WIM，没有工具可列出。\n找过：C:\\Rigmate\\WEPE和各磁盘根目录下的WEPE文件夹");
  EXPECT_TRUE(fake.wimCalls.empty());
}

TEST_F(ToolsLoaderTest, AnExistingMountFolderIsAskedAboutAndItsFailuresReported) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.AddFolder(L"C:\\Rigmate\\WEPE32\\old");
  fake.QueueAnswer(6);   // Yes: deleted and mounted afresh
  Load();
  EXPECT_EQ(fake.messages[0].text,
            L"软件需要将工具挂载到路径C:\\Rigmate\\WEPE32下，但该路径已经存在，需要删除该路径。是否删除？");
  EXPECT_EQ(fake.messages[0].style, 0x104u);
  EXPECT_FALSE(fake.Exists(L"C:\\Rigmate\\WEPE32\\old"));
  EXPECT_EQ(mounts.front().bMounted, 1);
  EXPECT_EQ(fake.messages.back().text, L"打开配置文件失败！");   // the image holds no map
}

// The code shown is the shell's own result, not whatever the thread's last error holds.
TEST_F(ToolsLoaderTest, AMountFolderThatCannotBeDeletedSkipsThePackWithTheShellsCode) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.AddFolder(L"C:\\Rigmate\\WEPE32");
  fake.Fail(FakeSeam::Op::ShellDelete, L"C:\\Rigmate\\WEPE32");
  fake.lastError = 0;
  for (uint32_t code : {32u, 1168u, 5u}) {
    fake.shellDeleteError = code;
    fake.QueueAnswer(6);
    Load();
  }
  const std::wstring failed = L"删除路径C:\\Rigmate\\WEPE32失败！错误代码：";
  EXPECT_EQ(fake.messages[1].text,
            failed + L"32 信息：该文件夹正在被其它进程使用！（请使用资源监视器中的关联句柄查找该文件夹名称，找到相应进程后结束进程，重启本软件！）");
  EXPECT_EQ(fake.messages[3].text, failed + L"1168 信息：找不到元素！（请使用资源管理器将该文件夹删除后重启本软件！）");
  EXPECT_EQ(fake.messages[5].text, failed + L"5");
  EXPECT_EQ(fake.messages[5].style, 0u);
  for (const std::wstring& call : fake.wimCalls)   // only the looks for a stale mount
    EXPECT_EQ(call.rfind(L"GetMountedImageHandle", 0), 0u) << call;
}

// An image an earlier run left mounted is unmounted unsaved and its folder removed
// without a question (a folder with nothing mounted is still asked about, above).
TEST_F(ToolsLoaderTest, AStaleMountIsUndoneBeforeTheMount) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.AddFolder(L"C:\\Rigmate\\WEPE64\\Tools");
  fake.wimMounts[L"C:\\Rigmate\\WEPE64"] = L"C:\\Rigmate\\WEPE\\WEPE64.WIM|2";
  fake.AddFolder(L"C:\\Rigmate\\WEPE32\\Tools");
  fake.wimMounts[L"C:\\Rigmate\\WEPE32"] = L"C:\\Rigmate\\WEPE\\WEPE32.WIM|2";
  Load();
  EXPECT_TRUE(fake.messages.size() == 1 && fake.messages[0].text == L"打开配置文件失败！");
  EXPECT_EQ(fake.wimCalls[0], L"GetMountedImageHandle C:\\Rigmate\\WEPE32 0");
  EXPECT_EQ(fake.wimCalls[1], L"UnmountImageHandle 2 0");
  EXPECT_FALSE(fake.Exists(L"C:\\Rigmate\\WEPE64"));
  EXPECT_EQ(fake.wimMounts.size(), 1u);   // the fresh one
  EXPECT_EQ(mounts.front().bMounted, 1);
}

// A stale mount that cannot be undone keeps its folder: the files there are the image's.
TEST_F(ToolsLoaderTest, AStaleMountThatStaysMountedKeepsItsFolder) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.AddFolder(L"C:\\Rigmate\\WEPE64\\Tools");
  fake.wimMounts[L"C:\\Rigmate\\WEPE64"] = L"C:\\Rigmate\\WEPE\\WEPE64.WIM|2";
  fake.wimUnmountError = 5;
  testing::internal::CaptureStdout();
  Load();
  EXPECT_NE(testing::internal::GetCapturedStdout().find("attempting to unmount"), std::string::npos);
  EXPECT_TRUE(fake.Exists(L"C:\\Rigmate\\WEPE64\\Tools"));
}

// No: the folder stays, the mount is tried in it, and the clean-up spares it.
TEST_F(ToolsLoaderTest, AMountFolderKeptOnNoIsSparedByTheCleanUp) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  fake.AddFolder(L"C:\\Rigmate\\WEPE32");
  fake.wimMountError = 0xC1420116;
  fake.QueueAnswer(7);
  testing::internal::CaptureStdout();
  Load();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error 0xc1420116 while mounting image.\n");
  EXPECT_EQ(fake.messages.back().text, L"挂载工具包失败！错误代码：-1052638954\n"
                                       L"挂载镜像时出错：C:\\Rigmate\\WEPE\\WEPE32.WIM（索引2）挂载到C:\\Rigmate\\WEPE32");
  tools_page::CleanUpMounts(mounts);
  EXPECT_TRUE(fake.Exists(L"C:\\Rigmate\\WEPE32"));
}

TEST_F(ToolsLoaderTest, AnUnmountFailureEndsTheCleanUpAndKeepsTheFolder) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM").imageCount = 2;
  Load();
  fake.wimUnmountError = 5;
  testing::internal::CaptureStdout();
  tools_page::CleanUpMounts(mounts);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error 0x5 attempting to unmount the image\n");
  EXPECT_EQ(fake.messages.back().text, L"卸载工具包失败！");
  EXPECT_TRUE(fake.Exists(L"C:\\Rigmate\\WEPE32"));
  EXPECT_TRUE(fake.wimOpenHandles.empty());
}

TEST_F(ToolsLoaderTest, AFailedImagingStepReportsItsCodeOnStandardOutput) {
  fake.AddWimFile(L"C:\\Rigmate\\WEPE\\WEPE32.WIM");   // one image only: image 2 does not load
  fake.lastError = 0;                                  // and the call left no code
  testing::internal::CaptureStdout();
  Load();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error 0x0000001f while acquiring image handle.\n");
  EXPECT_EQ(fake.messages.back().text, L"挂载工具包失败！错误代码：31\n"
                                       L"读取镜像时出错：C:\\Rigmate\\WEPE\\WEPE32.WIM（索引2）挂载到C:\\Rigmate\\WEPE32");
  EXPECT_EQ(mounts.front().bMounted, 0);
  EXPECT_TRUE(fake.wimOpenHandles.empty());
  tools_page::CleanUpMounts(mounts);   // not mounted: no unmount, the folder goes
  EXPECT_FALSE(fake.Exists(L"C:\\Rigmate\\WEPE32"));
}

TEST(ToolsListFilters, CategoryIsExactAndSearchIgnoresCaseAcrossThreeFields) {
  _PROGRAM ime{L"Sogou", L"输入法", L"", L"X:\\ime.exe", L"pinyin", -1};
  _PROGRAM disk{L"DiskGenius", L"磁盘管理", L"", L"X:\\dg.exe", L"partition EDITOR", -1};
  EXPECT_TRUE(tools_page::InCategory(ime, L"输入法"));
  EXPECT_FALSE(tools_page::InCategory(disk, L"输入法"));
  EXPECT_FALSE(tools_page::InCategory(ime, L"输入"));
  EXPECT_TRUE(tools_page::InCategory(disk, L"全部"));
  EXPECT_TRUE(tools_page::MatchesSearch(ime, L"SOG"));
  EXPECT_TRUE(tools_page::MatchesSearch(disk, L"Editor"));
  EXPECT_TRUE(tools_page::MatchesSearch(disk, L"磁盘"));
  EXPECT_FALSE(tools_page::MatchesSearch(disk, L"dg.exe"));   // the path is not searched
}

}  // namespace
