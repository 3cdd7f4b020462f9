// Ordering of report-list cells: number, percentage, date and text rules.
#include "ui/report_compare.h"

#include <cmath>
#include <cstdlib>

namespace {

// The white space that wcstoul and wcstod skip in front of a number.
bool IsLeadingSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// A code unit of the UTF-16 form of the text at position i; on builds whose wchar_t is
// 32 bits wide a character beyond the basic plane gives its two surrogates in turn.
struct Utf16Units {
  const std::wstring& text;
  size_t index = 0;
  int pendingTrail = -1;

  bool Next(uint32_t* unit) {
    if (pendingTrail >= 0) {
      *unit = static_cast<uint32_t>(pendingTrail);
      pendingTrail = -1;
      return true;
    }
    if (index >= text.size()) return false;
    uint32_t c = static_cast<uint32_t>(text[index++]);
    if (sizeof(wchar_t) > 2 && c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      pendingTrail = static_cast<int>(0xDC00 + (c & 0x3FF));
      c = 0xD800 + (c >> 10);
    }
    *unit = c;
    return true;
  }
};

}  // namespace

bool ReadHexCell(const std::wstring& text, uint32_t* value) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && IsLeadingSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (i + 2 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
      HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  const size_t digitsStart = i;
  uint64_t magnitude = 0;
  bool overflow = false;
  for (; i < n && HexDigit(text[i]) >= 0; ++i) {
    magnitude = magnitude * 16 + static_cast<uint64_t>(HexDigit(text[i]));
    if (magnitude > 0xFFFFFFFFull) {
      overflow = true;
      magnitude = 0xFFFFFFFFull;
    }
  }
  // No digits: wcstoul reads nothing at all, so a text (never empty here) is not used up.
  if (i == digitsStart || i != n) return false;
  if (overflow) {
    *value = 0xFFFFFFFFu;
  } else {
    const uint32_t low = static_cast<uint32_t>(magnitude);
    *value = negative ? static_cast<uint32_t>(0u - low) : low;
  }
  return true;
}

bool ReadDecimalCell(const std::wstring& text, double* value) {
  const size_t n = text.size();
  if (n == 0) return false;
  size_t i = 0;
  while (i < n && IsLeadingSpace(text[i])) ++i;
  const size_t numberStart = i;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
  size_t digits = 0;
  for (; i < n && IsDigit(text[i]); ++i) ++digits;
  if (i < n && text[i] == L'.') {
    ++i;
    for (; i < n && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) {
    // Nothing is read, so wcstod stops at the very first character.
    if (text == L"%") {
      *value = 0;
      return true;
    }
    return false;
  }
  if (i < n && (text[i] == L'e' || text[i] == L'E')) {
    size_t k = i + 1;
    if (k < n && (text[k] == L'+' || text[k] == L'-')) ++k;
    if (k < n && IsDigit(text[k])) {
      while (k < n && IsDigit(text[k])) ++k;
      i = k;
    }
  }
  const bool whole = i == n || (text[i] == L'%' && i + 1 == n);
  if (!whole) return false;
  std::string ascii;
  ascii.reserve(i - numberStart);
  for (size_t k = numberStart; k < i; ++k) ascii.push_back(static_cast<char>(text[k]));
  *value = std::strtod(ascii.c_str(), nullptr);
  return true;
}

bool ReadSizeCell(const std::wstring& text, double* bytes) {
  const size_t n = text.size();
  size_t i = 0, digits = 0;
  for (; i < n && IsDigit(text[i]); ++i) ++digits;
  if (i < n && text[i] == L'.') {
    for (++i; i < n && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  const std::string number(text.begin(), text.begin() + static_cast<std::wstring::difference_type>(i));
  while (i < n && text[i] == L' ') ++i;
  static const wchar_t* const kUnits[] = {L"B", L"KB", L"MB", L"GB", L"TB"};
  for (int power = 0; power < 5; ++power) {
    if (text.compare(i, std::wstring::npos, kUnits[power]) != 0) continue;
    *bytes = std::ldexp(std::strtod(number.c_str(), nullptr), 10 * power);
    return true;
  }
  return false;
}

double DateOrdinal(double automationDate) {
  if (automationDate >= 0) return automationDate;
  const double day = std::trunc(automationDate);
  return day + std::fabs(automationDate - day);
}

int CompareCodeUnits(const std::wstring& a, const std::wstring& b) {
  Utf16Units ua{a};
  Utf16Units ub{b};
  for (;;) {
    uint32_t x = 0;
    uint32_t y = 0;
    const bool moreA = ua.Next(&x);
    const bool moreB = ub.Next(&y);
    if (!moreA || !moreB) return moreA ? 1 : (moreB ? -1 : 0);
    if (x != y) return x < y ? -1 : 1;
  }
}

SortKey::SortKey(std::wstring text) : text_(std::move(text)) {
  isHex_ = !text_.empty() && ReadHexCell(text_, &hex_);
  isDecimal_ = ReadDecimalCell(text_, &decimal_);
  isSize_ = ReadSizeCell(text_, &size_);
}

bool SortKey::Date(const DateReader& readDate, double* ordinal) const {
  if (dateState_ < 0) {
    double date = 0;
    dateState_ = readDate && readDate(text_, &date) ? 1 : 0;
    date_ = DateOrdinal(date);
  }
  *ordinal = date_;
  return dateState_ == 1;
}

int CompareSortKeys(const SortKey& a, const SortKey& b, const DateReader& readDate) {
  if (a.isHex_ && b.isHex_) return Order(a.hex_, b.hex_);
  if (a.isDecimal_ && b.isDecimal_) return Order(a.decimal_, b.decimal_);
  if (a.isSize_ && b.isSize_) return Order(a.size_, b.size_);
  double dateA = 0;
  double dateB = 0;
  if (a.Date(readDate, &dateA) && b.Date(readDate, &dateB)) return Order(dateA, dateB);
  return CompareCodeUnits(a.text_, b.text_);
}

int CompareCellTexts(const std::wstring& a, const std::wstring& b, const DateReader& readDate) {
  return CompareSortKeys(SortKey(a), SortKey(b), readDate);
}
