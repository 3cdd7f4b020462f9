// The text formatter gives the program's templates the same meaning on every build.
#include <gtest/gtest.h>

#include "platform/format.h"

TEST(Format, TemplatesOfTheProgram) {
  EXPECT_EQ(Format(L"%s\\%s", std::wstring(L"C:"), L"kxldr"), L"C:\\kxldr");
  EXPECT_EQ(Format(L"%.2f GB", 465.7613), L"465.76 GB");
  EXPECT_EQ(Format(L"%0.2fGB", 0.0), L"0.00GB");
  EXPECT_EQ(Format(L"%d:%d", 1, 2), L"1:2");
  EXPECT_EQ(Format(L"(HD%d) %s (%s) %s", 0, L"465.76GB", L"C: D: ", L"未知"),
            L"(HD0) 465.76GB (C: D: ) 未知");
  EXPECT_EQ(Format(L"%c:", L'E'), L"E:");
  EXPECT_EQ(Format(L"100%%"), L"100%");
}

TEST(Format, HexadecimalFieldsOfAGuid) {
  EXPECT_EQ(Format(L"{%08X-%04X-%04x-%02X%02X}", 0x1a2bU, 0xbeef, 0xABCD, 0x0f, 0xa0),
            L"{00001A2B-BEEF-abcd-0FA0}");
  EXPECT_EQ(Format(L"%X", -1), L"FFFFFFFF");
}

TEST(Format, WidthsPrecisionsAndMismatches) {
  EXPECT_EQ(Format(L"[%5d|%-5d|%05d]", 42, 42, -42), L"[   42|42   |-0042]");
  EXPECT_EQ(Format(L"[%.3s]", L"abcdef"), L"[abc]");
  EXPECT_EQ(Format(L"%d and %d", 1), L"1 and ");       // missing argument prints nothing
  EXPECT_EQ(Format(L"%d", L"text"), L"");               // wrong kind prints nothing
  EXPECT_EQ(Format(L"tail %"), L"tail %");              // a dangling percent stays
}
