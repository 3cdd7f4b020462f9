// The tutorials page's actions on a simulated machine: the video map's bytes split into
// pairs, the videos kept, and the manual started or its absence reported.
#include <gtest/gtest.h>

#include <random>

#include "pages/toolbox/course_page_actions.h"
#include "tests/fakes/fake_seam.h"

namespace {

// Records every piece of the map handed to the code-page conversion; 936 for the few
// texts of these tests.
class Cp936Seam : public FakeSeam {
 public:
  std::wstring AnsiToWide(const std::string& bytes) override {
    converted.push_back(bytes);
    if (bytes == "\xCF\xB5\xCD\xB3") return L"系统";
    if (bytes == "\xB1\xED.avi") return L"表.avi";
    return FakeSeam::AnsiToWide(bytes);
  }
  std::vector<std::string> converted;
};

std::string Split(const std::string& bytes) {
  std::string flat;
  for (const course_page::MapPair& p : course_page::SplitVideoMap(bytes)) flat += p.name + "|" + p.description + ";";
  return flat;
}

TEST(VideoMapSplit, TokensPairUpAcrossAnyWhiteSpaceUntilCtrlZ) {
  EXPECT_EQ(Split("01.mp4 a\r\n02.mp4 b\r\n"), "01.mp4|a;02.mp4|b;");
  EXPECT_EQ(Split("\n  01.mp4\r\na\t\t02.mp4\v\fb"), "01.mp4|a;02.mp4|b;");
  // A description with a space shifts the pairs after it; a last name pairs with nothing.
  EXPECT_EQ(Split("01.mp4 two words\n02.mp4 b\n"), "01.mp4|two;words|02.mp4;b|;");
  EXPECT_EQ(Split("01.mp4 a\r\n\x1A" "02.mp4 b\r\n"), "01.mp4|a;");
  EXPECT_EQ(Split(" \r\n\t "), "");
}

TEST(VideoMapSplit, PairsWithTokensBeyondTheirBuffersOrWithNulBytesAreLeftOutWhole) {
  const std::string name259(259, 'n'), desc511(511, 'd');
  EXPECT_EQ(Split(name259 + " " + desc511 + "\n" + name259 + "x ok\nv.avi " + desc511 + "x\n" +
                  std::string("a\0b.avi", 7) + " nul\nlast.avi good\n"),
            name259 + "|" + desc511 + ";last.avi|good;");
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 2000, '\0');
    for (char& c : bytes) c = static_cast<char>(round % 2 ? random() % 256 : " \n\xB1\xEDx\0"[random() % 6]);
    for (const course_page::MapPair& pair : course_page::SplitVideoMap(bytes)) {
      ASSERT_FALSE(pair.name.empty());
      ASSERT_LE(pair.name.size(), course_page::kNameBytes);
      ASSERT_LE(pair.description.size(), course_page::kDescriptionBytes);
      ASSERT_EQ(pair.name.find_first_of(std::string(" \t\r\n\0\x1A", 6)), std::string::npos);
    }
  }
}

class CoursePageTest : public ::testing::Test {
 protected:
  void SetUp() override { fake.modulePath = L"E:\\my tools\\Rigmate.exe"; }
  Cp936Seam fake;
  ScopedSeam use{&fake};
};

TEST_F(CoursePageTest, MapGivesTheVideosThatExistEachTokenConvertedOnItsOwn) {
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP",
               "01.avi \xCF\xB5\xCD\xB3\r\ngone.avi x\r\n\xB1\xED.avi\r\n\xCF\xB5\xCD\xB3\r\nlast.avi");
  for (const wchar_t* name : {L"01.avi", L"表.avi", L"last.avi"})
    fake.AddFile(std::wstring(L"E:\\my tools\\Rigmate\\COURSE\\") + name);
  std::wstring rows;
  for (const _VIDEO& v : course_page::LoadVideoMap()) rows += v.name + L"|" + v.description + L"|" + v.path + L";";
  EXPECT_EQ(rows, L"01.avi|系统|E:\\my tools\\Rigmate\\COURSE\\01.avi;表.avi|系统|E:\\my tools\\Rigmate\\COURSE\\表.avi;"
                  L"last.avi||E:\\my tools\\Rigmate\\COURSE\\last.avi;");
  EXPECT_EQ(fake.converted, (std::vector<std::string>{"01.avi", "\xCF\xB5\xCD\xB3", "gone.avi", "\xB1\xED.avi",
                                                      "\xCF\xB5\xCD\xB3", "last.avi", ""}));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(CoursePageTest, MissingMapIsSilentAndAnUnreadableOneIsReported) {
  EXPECT_TRUE(course_page::LoadVideoMap().empty());
  EXPECT_TRUE(fake.messages.empty());
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP", "a.avi a");
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\a.avi");
  fake.Fail(FakeSeam::Op::ReadWholeFile, L"E:\\my tools\\Rigmate\\COURSE\\VIDEO_MAP");
  EXPECT_TRUE(course_page::LoadVideoMap().empty());
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text + L"|" + fake.messages[0].caption, L"打开配置文件失败！|Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
}

TEST_F(CoursePageTest, ManualNeedsTheReaderThenTheManualAndItsPathIsQuoted) {
  course_page::OpenManual();
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\PDF阅读器.exe");
  course_page::OpenManual();
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, L"找不到说用说明书阅读器！");
  EXPECT_EQ(fake.messages[1].text, L"找不到说明书存档！");
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
