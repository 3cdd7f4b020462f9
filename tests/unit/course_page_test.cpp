// The tutorials page's actions on a simulated machine: the video map's bytes split into
// pairs, the videos kept, and the manual started or its absence reported.
#include <gtest/gtest.h>

#include "pages/toolbox/course_page_actions.h"
#include "tests/unit/cp936_seam.h"

namespace {

std::wstring Split(const std::wstring& text) {
  std::wstring flat;
  for (const course_page::MapPair& p : course_page::SplitVideoMap(text)) flat += p.name + L"|" + p.description + L";";
  return flat;
}

TEST(VideoMapSplit, TokensPairUpAcrossAnyWhiteSpaceUntilCtrlZ) {
  EXPECT_EQ(Split(L"01.mp4 a\r\n02.mp4 b\r\n"), L"01.mp4|a;02.mp4|b;");
  EXPECT_EQ(Split(L"\n  01.mp4\r\na\t\t02.mp4\v\fb"), L"01.mp4|a;02.mp4|b;");
  // A description with a space shifts the pairs after it; a last name pairs with nothing.
  EXPECT_EQ(Split(L"01.mp4 two words\n02.mp4 b\n"), L"01.mp4|two;words|02.mp4;b|;");
  EXPECT_EQ(Split(L"01.mp4 a\r\n\x1A" L"02.mp4 b\r\n"), L"01.mp4|a;");
  EXPECT_EQ(Split(L" \r\n\t "), L"");
}

TEST(VideoMapSplit, PairsWithTokensBeyondTheirBuffersOrWithNulBytesAreLeftOutWhole) {
  const std::wstring name259(259, 'n'), desc511(511, 'd');
  EXPECT_EQ(Split(name259 + L" " + desc511 + L"\n" + name259 + L"x ok\nv.avi " + desc511 + L"x\n" +
                  std::wstring(L"a\0b.avi", 7) + L" nul\nlast.avi good\n"),
            name259 + L"|" + desc511 + L";last.avi|good;");
  // The limits count bytes of the thread's code page: 中 takes three in the fake's.
  EXPECT_EQ(Split(std::wstring(86, L'中') + L" x " + std::wstring(87, L'中') + L" y"),
            std::wstring(86, L'中') + L"|x;");
}

class CoursePageTest : public ::testing::Test {
 protected:
  void SetUp() override { fake.modulePath = L"E:\\my tools\\Rigmate.exe"; }
  Cp936Seam fake;
  ScopedSeam use{&fake};
};

TEST_F(CoursePageTest, MapGivesTheVideosThatExistInItsCodePageOrByItsByteOrderMark) {
  const std::wstring folder = L"E:\\my tools\\Rigmate\\COURSE\\";
  std::wstring note;
  for (const wchar_t* name : {L"01.avi", L"表.avi", L"last.avi"}) fake.AddFile(folder + name);
  auto load = [&](const std::string& map) {
    fake.AddFile(folder + L"VIDEO_MAP", map);
    std::wstring rows;
    for (const _VIDEO& v : course_page::LoadVideoMap(&note)) rows += v.name + L"|" + v.description + L"|" + v.path + L";";
    return rows;
  };
  EXPECT_EQ(load("01.avi \xCF\xB5\xCD\xB3\r\ngone.avi x\r\n\xB1\xED.avi\r\n\xCF\xB5\xCD\xB3\r\nlast.avi"),
            L"01.avi|系统|" + folder + L"01.avi;表.avi|系统|" + folder + L"表.avi;last.avi||" + folder + L"last.avi;");
  EXPECT_EQ(note, L"VIDEO_MAP列出的1个视频不在E:\\my tools\\Rigmate\\COURSE中，没有列出：gone.avi");
  EXPECT_EQ(load("\xEF\xBB\xBF\xE8\xA1\xA8.avi \xE7\xB3\xBB"), L"表.avi|系|" + folder + L"表.avi;");
  EXPECT_EQ(load(std::string("\xFE\xFF\x88\x68\0.\0a\0v\0i\0 \0x", 16)), L"表.avi|x|" + folder + L"表.avi;");
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(CoursePageTest, AMissingMapIsNotedOnThePageAndAnUnreadableOneIsReported) {
  std::wstring note;
  EXPECT_TRUE(course_page::LoadVideoMap(&note).empty());
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(note, L"找不到视频教程列表VIDEO_MAP，没有视频可列出。\n"
                  L"找过：E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP和各磁盘根目录下的同一路径");
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP", "a.avi a");
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\a.avi");
  fake.Fail(FakeSeam::Op::ReadWholeFile, L"E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP");
  EXPECT_TRUE(course_page::LoadVideoMap(&note).empty());
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text + L"|" + fake.messages[0].caption, L"打开配置文件失败！|Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
}

TEST(CourseShellOpen, AFailedOpenNamesTheVideoAndWhy) {
  const struct { intptr_t result; const wchar_t* text; } cases[] = {
      {33, L""},
      {31, L"无法打开教程视频：本机没有能播放这种文件的程序，请先安装一个视频播放器。\nD:\\a.mp4"},
      {2, L"无法打开教程视频：文件已不存在。\nD:\\a.mp4"},
      {5, L"无法打开教程视频。\nD:\\a.mp4"}};   // no lookup of the system's text here
  for (const auto& c : cases) EXPECT_EQ(course_page::ShellOpenFailure(L"D:\\a.mp4", c.result), c.text) << c.result;
}

TEST_F(CoursePageTest, ManualNeedsTheReaderThenTheManualAndItsPathIsQuoted) {
  course_page::OpenManual();
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\PDF阅读器.exe");
  course_page::OpenManual();
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, L"找不到说用说明书阅读器！\nE:\\my tools\\Rigmate\\COURSE\\PDF阅读器.exe");
  EXPECT_EQ(fake.messages[1].text, L"找不到说明书存档！\nE:\\my tools\\Rigmate\\COURSE\\使用说明书.pdf");
  EXPECT_TRUE(fake.starts.empty());

  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\使用说明书.pdf");
  course_page::OpenManual();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"E:\\my tools\\Rigmate\\COURSE\\PDF阅读器.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"PDF阅读器.exe \"E:\\my tools\\Rigmate\\COURSE\\使用说明书.pdf\"");
  EXPECT_FALSE(fake.starts[0].wait);
  EXPECT_TRUE(fake.starts[0].show);
}

}  // namespace
