// The GHO search on a simulated machine: depth, order, names, refusals and the depth box.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "pages/install/image_search.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"

namespace {

using Paths = std::list<std::wstring>;

class ImageSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.SetDrives(L"CD");
    fake.volumes[L'C'].number = {7, 0, 1};
    fake.volumes[L'D'].number = {7, 0, 2};
  }
  void TearDown() override { TheDisk().Refresh(); }

  Paths Search(int depth) {
    TheDisk().Refresh();
    Paths found{L"old"};
    EXPECT_TRUE(image_search::SearchDrives(depth, &found));
    return found;
  }

  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(ImageSearchTest, DepthCountsTheBackslashesOfTheFoldersEntered) {
  fake.AddFile(L"D:\\a.gho");
  fake.AddFile(L"D:\\GHO\\b.gho");
  fake.AddFile(L"D:\\GHO\\X\\c.gho");
  EXPECT_EQ(Search(1), (Paths{L"D:\\a.gho"}));
  EXPECT_EQ(Search(2), (Paths{L"D:\\GHO\\b.gho", L"D:\\a.gho"}));
  EXPECT_EQ(Search(3), (Paths{L"D:\\GHO\\X\\c.gho", L"D:\\GHO\\b.gho", L"D:\\a.gho"}));
}

TEST_F(ImageSearchTest, SubfolderImagesComeFirstAndDrivesInTheModelsOrder) {
  fake.AddFile(L"D:\\z.GHO");                 // upper-case extension
  fake.AddFolder(L"D:\\x.gho");               // a folder, never listed, but searched
  fake.AddFile(L"D:\\x.gho\\in.Gho");
  fake.AddFile(L"D:\\notes.ghost");
  fake.AddFile(L"D:\\gho");
  fake.AddFile(L"C:\\Backup\\sys.gho");
  fake.AddFile(L"C:\\Backup\\sys.gho.txt");
  EXPECT_EQ(Search(3), (Paths{L"C:\\Backup\\sys.gho", L"D:\\x.gho\\in.Gho", L"D:\\z.GHO"}));
}

TEST_F(ImageSearchTest, UnreadableFoldersAndDrivesAreSkipped) {
  fake.SetDrives(L"CDE");                     // E: lists nothing (an empty card reader)
  fake.volumes[L'E'].open = VolumeOpen::NotOpened;
  fake.AddFile(L"C:\\Locked\\a.gho");
  fake.AddFile(L"C:\\Open\\b.gho");
  fake.AddFile(L"D:\\c.gho");
  fake.Fail(FakeSeam::Op::ListFolder, L"C:\\Locked");
  EXPECT_EQ(Search(3), (Paths{L"C:\\Open\\b.gho", L"D:\\c.gho"}));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(ImageSearchTest, DepthOutsideOneToTenIsRefusedAndKeepsTheLastResults) {
  fake.AddFile(L"D:\\a.gho");
  TheDisk().Refresh();
  for (int depth : {0, 11, -1}) {
    Paths found{L"C:\\kept.gho"};
    EXPECT_FALSE(image_search::SearchDrives(depth, &found)) << depth;
    EXPECT_EQ(found, (Paths{L"C:\\kept.gho"})) << depth;
  }
  ASSERT_EQ(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[0].text, L"目录深度输入不正确！\n请输入1到10之间的数字。");
  EXPECT_EQ(fake.messages[0].caption, L"Rigmate");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  EXPECT_EQ(Search(10), (Paths{L"D:\\a.gho"}));
}

TEST_F(ImageSearchTest, DepthBoxReadsOnlyAWholeInteger) {
  struct Case { const wchar_t* text; bool ok; int depth; };
  const Case cases[] = {
      {L"5", true, 5},   {L" 7\t", true, 7},   {L"0", true, 0},   {L"-3", true, -3},
      {L"012", true, 12}, {L"99999999999", true, 2147483647},
      {L"", false, 4},   {L"  ", false, 4},    {L"3x", false, 4}, {L"x3", false, 4},
      {L"-", false, 4},  {L"1 2", false, 4},
  };
  for (const Case& c : cases) {
    int depth = 4;
    fake.messages.clear();
    EXPECT_EQ(image_search::ReadDepthText(c.text, &depth), c.ok) << c.text;
    EXPECT_EQ(depth, c.depth) << c.text;
    if (c.ok) {
      EXPECT_TRUE(fake.messages.empty()) << c.text;
    } else {
      ASSERT_EQ(fake.messages.size(), 1u) << c.text;
      EXPECT_EQ(fake.messages[0].text, L"Please enter an integer.");
      EXPECT_EQ(fake.messages[0].style, 0x30u);
    }
  }
}

}  // namespace
