// Map files as text: the head read from disk, byte-order marks and the code page, line ends.
#include <gtest/gtest.h>

#include "pages/toolbox/map_text.h"
#include "tests/unit/cp936_seam.h"

namespace {

std::wstring Joined(const std::vector<map_text::Line>& lines) {
  std::wstring flat;
  for (const map_text::Line& line : lines) flat += line.text + L"@" + std::to_wstring(line.end) + L";";
  return flat;
}

TEST(MapText, ByteOrderMarksChooseTheEncodingElseTheThreadCodePage) {
  Cp936Seam fake;
  ScopedSeam use(&fake);
  EXPECT_EQ(map_text::Decode("\xEF\xBB\xBF\xE7\xB3\xBB|a\xF0\x9F\x98\x80\xC0"),
            std::wstring(L"系|a\U0001F600\xFFFD"));
  EXPECT_EQ(map_text::Decode(std::string("\xFF\xFE\xFB\x7C|\0\x3D\xD8\x00\xDE\x00\xD8", 12)),
            std::wstring(L"系|\U0001F600\xFFFD"));                 // a lone surrogate is broken
  EXPECT_EQ(map_text::Decode(std::string("\xFE\xFF\x7C\xFB\0|\0", 7)), std::wstring(L"系|\xFFFD"));
  // No mark: the thread's code page, where 0x7C can be the second byte of a character.
  EXPECT_EQ(map_text::Decode("\x96\x7C|\xCF\xB5\xCD\xB3"), L"東|系统");
  EXPECT_EQ(map_text::Decode(""), L"");
  EXPECT_EQ(map_text::AnsiLength(L"東|a"), 4u);
}

TEST(MapText, LinesEndAtCrLfCrOrLfAndALineReachedByTheCutIsLeftOut) {
  EXPECT_EQ(Joined(map_text::SplitLines(L"a\r\nb\nc\rd\r\n\r\ne", false)), L"a@1;b@4;c@6;d@8;@10;e@13;");
  EXPECT_EQ(Joined(map_text::SplitLines(L"a\r\nb\nc\rd\r\n\r\ne", true)), L"a@1;b@4;c@6;d@8;@10;");
  EXPECT_EQ(Joined(map_text::SplitLines(L"a\r\n", true)), L"a@1;");
  EXPECT_EQ(Joined(map_text::SplitLines(L"\n\r", false)), L"@0;@1;");   // LF CR is two line ends
  EXPECT_EQ(Joined(map_text::SplitLines(L"", false)), L"");
}

TEST(MapText, OnlyTheHeadIsReadAndWhetherTheFileGoesOnIsKnown) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.AddFile(L"C:\\m", "0123456789");
  map_text::Head head;
  ASSERT_TRUE(map_text::ReadHead(L"C:\\m", 4, &head));
  EXPECT_EQ(head.bytes, "0123");
  EXPECT_TRUE(head.cut);
  ASSERT_TRUE(map_text::ReadHead(L"C:\\m", 10, &head));
  EXPECT_EQ(head.bytes, "0123456789");
  EXPECT_FALSE(head.cut);
  EXPECT_FALSE(map_text::ReadHead(L"C:\\none", 10, &head));
}

}  // namespace
