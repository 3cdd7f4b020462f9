// The tutorials page's actions on a simulated machine: the video map's bytes split into
// pairs, the videos kept, and the manual started or its absence reported.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "pages/toolbox/course_page_actions.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"

namespace {

using course_page::MapPair;

// Code page 936 for the few texts of these tests; records every piece it converts.
class Cp936Seam : public FakeSeam {
 public:
  std::wstring AnsiToWide(const std::string& bytes) override {
    converted.push_back(bytes);
    auto known = kTable.find(bytes);
    return known != kTable.end() ? known->second : FakeSeam::AnsiToWide(bytes);
  }
  std::vector<std::string> converted;

 private:
  const std::map<std::string, std::wstring> kTable{
      {"\xCF\xB5\xCD\xB3\xB0\xB2\xD7\xB0", L"系统安装"},
      {"\xD1\xDD\xCA\xBE", L"演示"},
      {"\xB1\xED.avi", L"表.avi"},
  };
};

class CoursePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.SetDrives(L"CDE");
    fake.modulePath = L"E:\\tools\\Rigmate.exe";
    TheDisk().Refresh();
  }
  void TearDown() override { TheDisk().Refresh(); }

  std::vector<std::wstring> Rows(const VideoList& videos) const {
    std::vector<std::wstring> rows;
    for (const _VIDEO& v : videos) rows.push_back(v.name + L"|" + v.description + L"|" + v.path);
    return rows;
  }

  Cp936Seam fake;
  ScopedSeam use{&fake};
};

std::vector<std::string> Flat(const std::vector<MapPair>& pairs) {
  std::vector<std::string> flat;
  for (const MapPair& p : pairs) flat.push_back(p.name + "|" + p.description);
  return flat;
}

TEST(VideoMapSplit, AnyWhiteSpaceSeparatesAndPairsFollowTheTokens) {
  const std::vector<std::string> expected{"01.mp4|a", "02.mp4|b"};
  EXPECT_EQ(Flat(course_page::SplitVideoMap("01.mp4 a\r\n02.mp4 b\r\n")), expected);
  EXPECT_EQ(Flat(course_page::SplitVideoMap("\n  01.mp4\r\na\t\t02.mp4\v\fb")), expected);
  // A description with a space shifts every pair after it.
  EXPECT_EQ(Flat(course_page::SplitVideoMap("01.mp4 two words\n02.mp4 b\n")),
            (std::vector<std::string>{"01.mp4|two", "words|02.mp4", "b|"}));
  EXPECT_TRUE(course_page::SplitVideoMap("").empty());
  EXPECT_TRUE(course_page::SplitVideoMap(" \r\n\t ").empty());
}

TEST(VideoMapSplit, TextEndsAtCtrlZ) {
  EXPECT_EQ(Flat(course_page::SplitVideoMap("01.mp4 a\r\n\x1A" "02.mp4 b\r\n")),
            (std::vector<std::string>{"01.mp4|a"}));
}

TEST(VideoMapSplit, PairsWithTokensBeyondTheirBuffersOrWithNulBytesAreLeftOutWhole) {
  const std::string name259(259, 'n'), desc511(511, 'd');
  std::string map = name259 + " " + desc511 + "\n" +            // both at their limit: kept
                    name259 + "x ok\n" +                        // name one byte too long
                    "v.avi " + desc511 + "x\n" +                // description one byte too long
                    std::string("a\0b.avi", 7) + " nul\n" +     // would be cut at the NUL
                    "last.avi good\n";
  EXPECT_EQ(Flat(course_page::SplitVideoMap(map)),
            (std::vector<std::string>{name259 + "|" + desc511, "last.avi|good"}));
}

TEST(VideoMapSplit, AnyBytesGiveTokensWithinTheirLimits) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 2000, '\0');
    for (char& c : bytes) c = static_cast<char>(round % 2 ? random() % 256 : " \n\xB1\xEDx\0"[random() % 6]);
    for (const MapPair& pair : course_page::SplitVideoMap(bytes)) {
      ASSERT_FALSE(pair.name.empty());
      ASSERT_LE(pair.name.size(), course_page::kNameBytes);
      ASSERT_LE(pair.description.size(), course_page::kDescriptionBytes);
      ASSERT_EQ(pair.name.find_first_of(std::string(" \t\r\n\0\x1A", 6)), std::string::npos);
    }
  }
}

TEST_F(CoursePageTest, MapInCodePage936GivesTheVideosThatExistInMapOrder) {
  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\VIDEO_MAP",
               "01.avi \xCF\xB5\xCD\xB3\xB0\xB2\xD7\xB0\r\n"
               "gone.avi \xD1\xDD\xCA\xBE\r\n"
               "\xB1\xED.avi\r\n\xD1\xDD\xCA\xBE\r\n"
               "last.avi");
  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\01.avi");
  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\表.avi");
  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\last.avi");

  EXPECT_EQ(Rows(course_page::LoadVideoMap()),
            (std::vector<std::wstring>{L"01.avi|系统安装|E:\\tools\\Rigmate\\COURSE\\01.avi",
                                       L"表.avi|演示|E:\\tools\\Rigmate\\COURSE\\表.avi",
                                       L"last.avi||E:\\tools\\Rigmate\\COURSE\\last.avi"}));
  // Every token is converted on its own; a dropped video's description never is.
  EXPECT_EQ(fake.converted, (std::vector<std::string>{"01.avi", "\xCF\xB5\xCD\xB3\xB0\xB2\xD7\xB0", "gone.avi",
                                                      "\xB1\xED.avi", "\xD1\xDD\xCA\xBE", "last.avi", ""}));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(CoursePageTest, MapBesideTheProgramWinsOverADriveRoot) {
  fake.AddFile(L"C:\\Rigmate\\COURSE\\VIDEO_MAP", "c.avi c");
  fake.AddFile(L"C:\\Rigmate\\COURSE\\c.avi");
  EXPECT_EQ(Rows(course_page::LoadVideoMap()), (std::vector<std::wstring>{L"c.avi|c|C:\\Rigmate\\COURSE\\c.avi"}));

  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\VIDEO_MAP", "e.avi e");
  fake.AddFile(L"E:\\tools\\Rigmate\\COURSE\\e.avi");
  EXPECT_EQ(Rows(course_page::LoadVideoMap()),
            (std::vector<std::wstring>{L"e.avi|e|E:\\tools\\Rigmate\\COURSE\\e.avi"}));
}

TEST_F(CoursePageTest, MissingMapIsSilentAndAnUnreadableOneIsReported) {
  EXPECT_TRUE(course_page::LoadVideoMap().empty());
  EXPECT_TRUE(fake.messages.empty());

  fake.AddFile(L"D:\\Rigmate\\COURSE\\VIDEO_MAP", "a.avi a");
  fake.AddFile(L"D:\\Rigmate\\COURSE\\a.avi");
  fake.Fail(FakeSeam::Op::ReadWholeFile, L"D:\\Rigmate\\COURSE\\VIDEO_MAP");
  EXPECT_TRUE(course_page::LoadVideoMap().empty());
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"打开配置文件失败！");
  EXPECT_EQ(fake.messages[0].caption, L"Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
}

TEST_F(CoursePageTest, ManualNeedsTheReaderFirstAndThenTheManual) {
  course_page::OpenManual();
  fake.AddFile(L"D:\\Rigmate\\COURSE\\PDF阅读器.exe");
  course_page::OpenManual();
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, L"找不到说用说明书阅读器！");
  EXPECT_EQ(fake.messages[1].text, L"找不到说明书存档！");
  EXPECT_EQ(fake.messages[1].style, 0x30u);
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(CoursePageTest, ReaderAndManualComeFromTheirOwnPlacesAndThePathIsQuoted) {
  fake.modulePath = L"E:\\my tools\\Rigmate.exe";
  fake.AddFile(L"D:\\Rigmate\\COURSE\\PDF阅读器.exe");
  fake.AddFile(L"E:\\my tools\\Rigmate\\COURSE\\使用说明书.pdf");
  course_page::OpenManual();
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].application, L"D:\\Rigmate\\COURSE\\PDF阅读器.exe");
  EXPECT_EQ(fake.starts[0].commandLine, L"PDF阅读器.exe \"E:\\my tools\\Rigmate\\COURSE\\使用说明书.pdf\"");
  EXPECT_FALSE(fake.starts[0].wait);
  EXPECT_TRUE(fake.starts[0].show);
  EXPECT_TRUE(fake.messages.empty());
}

}  // namespace
