// The report list's comparison with the real date conversion (VarDateFromStr).
#include <gtest/gtest.h>

#include "ui/report_compare.h"
#include "ui/report_ctrl.h"

namespace {

int Compare(const wchar_t* a, const wchar_t* b) { return CompareCellTexts(a, b, ReadVariantDate); }

}  // namespace

TEST(ReportCompareWithVariantDates, RulesInTheirOrder) {
  EXPECT_EQ(Compare(L"10", L"9"), 1);
  EXPECT_EQ(Compare(L"1e3", L"999"), -1);
  EXPECT_EQ(Compare(L"ad", L"99"), 1);
  EXPECT_EQ(Compare(L"5%", L"40%"), -1);
  EXPECT_EQ(Compare(L"2015-12-31", L"2016-05-01"), -1);
  EXPECT_EQ(Compare(L"2016-05-01", L"2015-12-31"), 1);
  EXPECT_EQ(Compare(L"Windows", L"office"), -1);
}

TEST(ReportCompareWithVariantDates, DatesAndTimesFollowTheCalendar) {
  double date = 0;
  ASSERT_TRUE(ReadVariantDate(L"2016-05-01", &date));
  EXPECT_DOUBLE_EQ(date, 42491.0);
  EXPECT_FALSE(ReadVariantDate(L"office", &date));
  EXPECT_EQ(Compare(L"2016-05-01 08:00:00", L"2016-05-01 07:59:00"), 1);
  // Before 30 December 1899 the stored value is negative, its time of day still counts forward.
  EXPECT_EQ(Compare(L"1899-12-29 06:00:00", L"1899-12-29 18:00:00"), -1);
  EXPECT_EQ(Compare(L"1899-12-29 18:00:00", L"1899-12-30"), -1);
}
