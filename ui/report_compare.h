// Ordering of report-list cells: the comparison rules chosen from the texts, and the row quicksort.
//
// A column is compared by the first rule that both texts pass: hexadecimal number,
// decimal number (or percentage), size ("100.00 GB"), date, and finally the text itself,
// code unit by code unit. The rules are tried per pair of texts, so a column may mix them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Reads a date text into an automation date (days since 30 December 1899, the time of
// day as the fraction, negative before that day); false when the text is no date. The
// program reads with VarDateFromStr in the user's locale.
using DateReader = std::function<bool(const std::wstring& text, double* date)>;

// wcstoul(text, base 16) in 32 bits: true when the text is not empty and the whole of it
// is read (white space, a sign and "0x" allowed in front; too large gives 0xFFFFFFFF).
bool ReadHexCell(const std::wstring& text, uint32_t* value);

// wcstod(text) in its decimal form: true when the text is not empty and is read to its
// end, or up to a single "%" that ends it ("5%" is 5, and "%" alone is 0).
bool ReadDecimalCell(const std::wstring& text, double* value);

// A size as the lists show it: a decimal number, optional blanks and one of the units
// B, KB, MB, GB or TB ("%.2f GB", "%0.2fGB"); *bytes is its value in bytes (1 KB = 1024 B).
bool ReadSizeCell(const std::wstring& text, double* bytes);

// An automation date as a point on one line: before 30 December 1899 the stored value
// is negative but its fraction still counts forward through the day.
double DateOrdinal(double automationDate);

// Compares two texts by their UTF-16 code units (a prefix comes first); -1, 0 or 1.
int CompareCodeUnits(const std::wstring& a, const std::wstring& b);

// One cell text, read once for the many comparisons of a sort. The date is read only
// when a comparison comes to it.
class SortKey {
 public:
  explicit SortKey(std::wstring text);
  const std::wstring& text() const { return text_; }

 private:
  friend int CompareSortKeys(const SortKey& a, const SortKey& b, const DateReader& readDate);
  bool Date(const DateReader& readDate, double* ordinal) const;

  std::wstring text_;
  bool isHex_ = false;
  uint32_t hex_ = 0;
  bool isDecimal_ = false;
  double decimal_ = 0;
  bool isSize_ = false;
  double size_ = 0;
  mutable signed char dateState_ = -1;  // -1 not read yet, 0 no date, 1 a date
  mutable double date_ = 0;
};

// Row A before (-1), equal to (0) or after (1) row B in ascending order.
int CompareSortKeys(const SortKey& a, const SortKey& b, const DateReader& readDate);
int CompareCellTexts(const std::wstring& a, const std::wstring& b, const DateReader& readDate);

// Sorts the row numbers v[lo..hi] with the list's own quicksort (middle pivot, not
// stable); compare(x, y) orders rows x and y as CompareSortKeys does. The smaller part
// is sorted first and the larger one in the loop, which keeps the stack shallow and
// gives the same order as any other sequence of the two parts.
template <typename Compare>
void QuickSortRows(std::vector<int>& v, int lo, int hi, bool ascending, Compare compare) {
  while (lo < hi) {
    const int pivot = v[static_cast<size_t>((lo + hi) / 2)];
    int i = lo;
    int j = hi;
    do {
      // The pivot row compares equal to itself, so each scan stops inside lo..hi; the
      // bounds only guard against a comparison that contradicts itself.
      if (ascending) {
        while (i < hi && compare(v[static_cast<size_t>(i)], pivot) < 0) ++i;
        while (j > lo && compare(v[static_cast<size_t>(j)], pivot) > 0) --j;
      } else {
        while (i < hi && compare(v[static_cast<size_t>(i)], pivot) > 0) ++i;
        while (j > lo && compare(v[static_cast<size_t>(j)], pivot) < 0) --j;
      }
      if (j < i) break;
      if (i != j) std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(j)]);
      --j;
      ++i;
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSortRows(v, lo, j, ascending, compare);
      lo = i;
    } else {
      if (i < hi) QuickSortRows(v, i, hi, ascending, compare);
      hi = j;
    }
  }
}
