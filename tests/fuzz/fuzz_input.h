// What the fuzz targets share: the input as the text types the parsers take, and the check
// that turns a broken promise of a parser into a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Aborts, so that libFuzzer keeps the input that broke the promise.
#define FUZZ_CHECK(condition)                                          \
  do {                                                                 \
    if (!(condition)) {                                                \
      std::fprintf(stderr, "broken promise: %s (%s:%d)\n", #condition, \
                   __FILE__, __LINE__);                                \
      std::abort();                                                    \
    }                                                                  \
  } while (false)

namespace fuzz {

// The bytes as UTF-16 code units, little-endian, the way Windows hands text over; a lone
// last byte is dropped.
inline std::wstring Utf16Units(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t at = 0; at + 1 < size; at += 2)
    text.push_back(static_cast<wchar_t>(data[at] | (data[at + 1] << 8)));
  return text;
}

}  // namespace fuzz
