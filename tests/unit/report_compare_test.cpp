// The report list's cell comparison and its quicksort, with a stand-in date reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "ui/report_compare.h"

namespace {

long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Reads "YYYY-MM-DD" with an optional " HH:MM" the way an automation date stores it:
// days from 30 December 1899, the time as a fraction carrying the sign of the day.
bool ReadIsoDate(const std::wstring& text, double* date) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  wchar_t extra = 0;
  int fields = swscanf(text.c_str(), L"%4d-%2d-%2d %2d:%2d%lc", &y, &mo, &d, &h, &mi, &extra);
  if (fields != 3 && fields != 5) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
  const double day = static_cast<double>(DaysFromCivil(y, mo, d) - DaysFromCivil(1899, 12, 30));
  const double fraction = (h * 60 + mi) / 1440.0;
  *date = day >= 0 ? day + fraction : day - fraction;
  return true;
}

const DateReader kIsoDates = ReadIsoDate;

int Compare(const wchar_t* a, const wchar_t* b) { return CompareCellTexts(a, b, kIsoDates); }

}  // namespace

TEST(ReportCompare, RulesInTheirOrder) {
  EXPECT_EQ(Compare(L"10", L"9"), 1);          // hexadecimal 0x10 after 0x9
  EXPECT_EQ(Compare(L"1e3", L"999"), -1);      // 0x1E3 before 0x999
  EXPECT_EQ(Compare(L"ad", L"99"), 1);         // 0xAD after 0x99
  EXPECT_EQ(Compare(L"5%", L"40%"), -1);       // percentages as numbers
  EXPECT_EQ(Compare(L"2015-12-31", L"2016-05-01"), -1);
  EXPECT_EQ(Compare(L"2016-05-01", L"2015-12-31"), 1);
  EXPECT_EQ(Compare(L"Windows", L"office"), -1);  // upper case has the smaller code units
  EXPECT_EQ(Compare(L"office", L"office"), 0);
}

TEST(ReportCompare, HexadecimalFollowsWcstoulIn32Bits) {
  EXPECT_EQ(Compare(L"0x1A", L"1B"), -1);
  EXPECT_EQ(Compare(L" 1f", L"20"), -1);                // leading white space is skipped
  EXPECT_EQ(Compare(L"-1", L"FFFFFFFE"), 1);            // a sign wraps round: 0xFFFFFFFF
  EXPECT_EQ(Compare(L"123456789", L"FFFFFFFF"), 0);     // too large saturates
  EXPECT_EQ(Compare(L"fffffffff", L"-123456789"), 0);
  uint32_t v = 0;
  EXPECT_FALSE(ReadHexCell(L"", &v));
  EXPECT_FALSE(ReadHexCell(L"1f ", &v));                // trailing space is not read
  EXPECT_FALSE(ReadHexCell(L"0x", &v));
  EXPECT_FALSE(ReadHexCell(L"+", &v));
  ASSERT_TRUE(ReadHexCell(L"0XfF", &v));
  EXPECT_EQ(v, 0xFFu);
}

TEST(ReportCompare, DecimalsAndPercentages) {
  EXPECT_EQ(Compare(L"1.5", L"10"), -1);      // "1.5" is no hexadecimal number: decimal rule
  EXPECT_EQ(Compare(L"-2.5", L"1.5"), -1);
  EXPECT_EQ(Compare(L"1.0e5", L"99999.5"), 1);
  EXPECT_EQ(Compare(L"12.5%", L"9.75%"), 1);
  double v = -1;
  ASSERT_TRUE(ReadDecimalCell(L"%", &v));     // nothing read, stops at the closing "%"
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(ReadDecimalCell(L".5", &v));
  EXPECT_TRUE(ReadDecimalCell(L"5.", &v));
  EXPECT_TRUE(ReadDecimalCell(L"2e", &v) == false);   // "e" without digits is left over
  EXPECT_FALSE(ReadDecimalCell(L"5%%", &v));
  EXPECT_FALSE(ReadDecimalCell(L" %", &v));
  EXPECT_FALSE(ReadDecimalCell(L"inf", &v));          // only the decimal form is a number
  EXPECT_FALSE(ReadDecimalCell(L"nan", &v));
  EXPECT_FALSE(ReadDecimalCell(L"", &v));
}

TEST(ReportCompare, SizesOfThePartitionAndDeviceListsSortBySize) {
  EXPECT_EQ(Compare(L"100.00 GB", L"20.00 GB"), 1);
  EXPECT_EQ(Compare(L"0.98 GB", L"1000.00 MB"), 1);
  EXPECT_EQ(Compare(L"1.00 TB", L"1023.99GB"), 1);     // the device list writes "%0.2fGB"
  EXPECT_EQ(Compare(L"512 B", L"0.50 KB"), 0);
  EXPECT_EQ(Compare(L"", L"0.00 GB"), -1);             // a partition without a letter: text rule
  double bytes = 0;
  ASSERT_TRUE(ReadSizeCell(L"1.50 GB", &bytes));
  EXPECT_DOUBLE_EQ(bytes, 1.5 * 1024 * 1024 * 1024);
  EXPECT_FALSE(ReadSizeCell(L"GB", &bytes));
  EXPECT_FALSE(ReadSizeCell(L"-1.00 GB", &bytes));
  EXPECT_FALSE(ReadSizeCell(L"1.00 GB free", &bytes));
  EXPECT_FALSE(ReadSizeCell(L"1.00 gb", &bytes));
}

TEST(ReportCompare, DatesFollowTheCalendarBefore1900) {
  // Stored as -1.25 and -1.75: the raw values would put the evening first.
  EXPECT_EQ(Compare(L"1899-12-29 06:00", L"1899-12-29 18:00"), -1);
  EXPECT_EQ(Compare(L"1899-12-29 18:00", L"1899-12-30"), -1);
  EXPECT_EQ(Compare(L"1850-01-01", L"1899-12-29 18:00"), -1);
  EXPECT_EQ(Compare(L"2016-05-01 08:00", L"2016-05-01 07:59"), 1);
  EXPECT_DOUBLE_EQ(DateOrdinal(-1.25), -0.75);
  EXPECT_DOUBLE_EQ(DateOrdinal(2.5), 2.5);
  // One date and one other text: both fall to the text rule.
  EXPECT_EQ(Compare(L"2016-05-01", L"2015 spring"), 1);
}

TEST(ReportCompare, DateIsReadOnlyWhenNumbersDoNotDecide) {
  int reads = 0;
  DateReader counting = [&reads](const std::wstring& text, double* date) {
    ++reads;
    return ReadIsoDate(text, date);
  };
  SortKey hexA(L"ff"), hexB(L"10"), dec(L"1.5"), word(L"abc."), date(L"2016-05-01");
  EXPECT_EQ(CompareSortKeys(hexA, hexB, counting), 1);
  EXPECT_EQ(CompareSortKeys(dec, hexB, counting), -1);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(CompareSortKeys(word, date, counting), 1);  // text: 'a' after '2'
  EXPECT_EQ(CompareSortKeys(word, date, counting), 1);
  EXPECT_EQ(reads, 1);  // the failed read of "abc." is kept; the date's never needed
}

TEST(ReportCompare, TextByUtf16CodeUnits) {
  EXPECT_EQ(Compare(L"abc", L"abcd"), -1);
  EXPECT_EQ(Compare(L"abcd", L"abc"), 1);
  EXPECT_EQ(Compare(L"Zeta", L"alpha"), -1);
  EXPECT_EQ(Compare(L"系统", L"软件"), -1);   // U+7CFB before U+8F6F
  // A character beyond the basic plane starts with a surrogate (D83D), which comes
  // before U+FF01 in UTF-16 even though its code point is larger.
  std::wstring smiley;
  if (sizeof(wchar_t) == 2) smiley = L"\xD83D\xDE00";
  else smiley.push_back(static_cast<wchar_t>(0x1F600));
  EXPECT_EQ(CompareCodeUnits(smiley, L"\xFF01"), -1);
  EXPECT_EQ(CompareCodeUnits(L"\xFF01", smiley), 1);
  EXPECT_EQ(CompareCodeUnits(smiley, smiley), 0);
}

namespace {

// The list's quicksort as it is described: recursion on the left part, a loop on the right.
template <typename Compare>
void ReferenceQuickSort(std::vector<int>& v, int lo, int hi, bool ascending, Compare compare) {
  for (;;) {
    const int pivot = v[static_cast<size_t>((lo + hi) / 2)];
    int i = lo, j = hi;
    do {
      if (ascending) {
        while (compare(v[static_cast<size_t>(i)], pivot) < 0) ++i;
        while (compare(v[static_cast<size_t>(j)], pivot) > 0) --j;
      } else {
        while (compare(v[static_cast<size_t>(i)], pivot) > 0) ++i;
        while (compare(v[static_cast<size_t>(j)], pivot) < 0) --j;
      }
      if (j < i) break;
      if (i != j) std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(j)]);
      --j;
      ++i;
    } while (i <= j);
    if (lo < j) ReferenceQuickSort(v, lo, j, ascending, compare);
    if (i < hi) lo = i;
    else return;
  }
}

}  // namespace

TEST(ReportQuickSort, SameOrderAsTheDescribedSortEvenForEqualKeys) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const int n = 2 + static_cast<int>(random() % 60);
    std::vector<int> keys(static_cast<size_t>(n));
    for (int& k : keys) k = static_cast<int>(random() % (round % 3 == 0 ? 3 : 40));
    auto compare = [&keys](int a, int b) {
      return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)] ? -1
           : keys[static_cast<size_t>(a)] > keys[static_cast<size_t>(b)] ? 1 : 0;
    };
    for (bool ascending : {true, false}) {
      std::vector<int> ours(static_cast<size_t>(n)), reference(static_cast<size_t>(n));
      std::iota(ours.begin(), ours.end(), 0);
      reference = ours;
      QuickSortRows(ours, 0, n - 1, ascending, compare);
      ReferenceQuickSort(reference, 0, n - 1, ascending, compare);
      ASSERT_EQ(ours, reference) << "round " << round;
      for (int p = 1; p < n; ++p) {
        const int c = compare(ours[static_cast<size_t>(p - 1)], ours[static_cast<size_t>(p)]);
        ASSERT_TRUE(ascending ? c <= 0 : c >= 0);
      }
    }
  }
}

TEST(ReportQuickSort, MixedRulesThatFormACycleStayInBounds) {
  // 10 < 1e0 (hexadecimal), 1e0 < 2.0 and 2.0 < 10 (decimal): no total order exists.
  std::vector<SortKey> keys;
  const wchar_t* texts[] = {L"10", L"1e0", L"2.0", L"ad", L"9", L"1e0", L"x", L"2.0", L"10"};
  for (int copy = 0; copy < 20; ++copy)
    for (const wchar_t* t : texts) keys.emplace_back(t);
  const int n = static_cast<int>(keys.size());
  for (bool ascending : {true, false}) {
    std::vector<int> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    QuickSortRows(v, 0, n - 1, ascending, [&](int a, int b) {
      return CompareSortKeys(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)], kIsoDates);
    });
    std::vector<int> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < n; ++i) ASSERT_EQ(sorted[static_cast<size_t>(i)], i);  // a permutation
  }
}
