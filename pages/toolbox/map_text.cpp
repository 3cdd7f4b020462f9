// Map files as text: head read, byte-order mark, code page and line ends.
#include "pages/toolbox/map_text.h"

#include <cstdint>

#include "platform/seam.h"

namespace map_text {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Appends one code point as the platform's wide characters: a pair of surrogates
// where wchar_t holds 16 bits.
void AppendCodePoint(uint32_t code, std::wstring* text) {
  if (sizeof(wchar_t) == 2 && code >= 0x10000) {
    code -= 0x10000;
    text->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
    text->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
  } else {
    text->push_back(static_cast<wchar_t>(code));
  }
}

std::wstring DecodeUtf8(const std::string& bytes, size_t from) {
  std::wstring text;
  size_t i = from;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    uint32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1Fu) : length == 3 ? (lead & 0x0Fu) : (lead & 0x07u);
    bool valid = length != 0 && i + length <= bytes.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= kSmallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      text.push_back(kReplacement);
      ++i;
      continue;
    }
    AppendCodePoint(code, &text);
    i += length;
  }
  return text;
}

std::wstring DecodeUtf16(const std::string& bytes, bool bigEndian) {
  std::wstring text;
  auto unit = [&](size_t at) {
    const uint32_t first = static_cast<unsigned char>(bytes[at]);
    const uint32_t second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  const size_t end = bytes.size() & ~static_cast<size_t>(1);
  for (size_t at = 2; at < end; at += 2) {
    const uint32_t u = unit(at);
    if (u >= 0xD800 && u <= 0xDBFF && at + 2 < end) {
      const uint32_t trail = unit(at + 2);
      if (trail >= 0xDC00 && trail <= 0xDFFF) {
        AppendCodePoint(0x10000 + ((u - 0xD800) << 10) + (trail - 0xDC00), &text);
        at += 2;
        continue;
      }
    }
    text.push_back(u >= 0xD800 && u <= 0xDFFF ? kReplacement : static_cast<wchar_t>(u));
  }
  // A lone last byte is half a character.
  if (bytes.size() > 2 && bytes.size() % 2 == 1) text.push_back(kReplacement);
  return text;
}

bool StartsWith(const std::string& bytes, const char* mark, size_t length) {
  return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

}  // namespace

bool ReadHead(const std::wstring& path, size_t limit, Head* head) {
  return TheSeam().ReadFileHead(path, limit, &head->bytes, &head->cut);
}

std::wstring Decode(const std::string& bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) return DecodeUtf8(bytes, 3);
  if (StartsWith(bytes, "\xFF\xFE", 2)) return DecodeUtf16(bytes, false);
  if (StartsWith(bytes, "\xFE\xFF", 2)) return DecodeUtf16(bytes, true);
  return TheSeam().ThreadAnsiToWide(bytes);
}

std::vector<Line> SplitLines(const std::wstring& text, bool cut) {
  std::vector<Line> lines;
  size_t start = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    const wchar_t c = text[at];
    if (c != L'\r' && c != L'\n') continue;
    lines.push_back({text.substr(start, at - start), at, lines.size() + 1});
    if (c == L'\r' && at + 1 < text.size() && text[at + 1] == L'\n') ++at;
    start = at + 1;
  }
  if (start < text.size() && !cut) lines.push_back({text.substr(start), text.size(), lines.size() + 1});
  return lines;
}

size_t AnsiLength(const std::wstring& text) { return TheSeam().WideToThreadAnsi(text).size(); }

}  // namespace map_text
