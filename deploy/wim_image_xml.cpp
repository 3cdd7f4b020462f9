// Image name and description out of the image-information XML, without an XML parser.
#include "deploy/wim_image_xml.h"

#include <algorithm>
#include <cstdint>

#include "platform/format.h"

namespace {

// The longest body a reference can have: "#x" and eight hexadecimal digits. The search for
// a reference's ";" stops there, so that text full of "&" does not cost quadratic time.
constexpr size_t kLongestBody = 10;

// The text between open and close inside element; false when open is missing.
bool ElementText(const std::wstring& element, const std::wstring& open, const std::wstring& close,
                 std::wstring* text) {
  size_t start = element.find(open);
  if (start == std::wstring::npos) return false;
  start += open.size();
  size_t stop = element.find(close, start);
  *text = stop == std::wstring::npos ? std::wstring() : element.substr(start, stop - start);
  return true;
}

// The character of a reference's body (what stands between "&" and ";"): false when
// it names none.
bool ReferencedCharacter(const std::wstring& body, uint32_t* code) {
  static const struct {
    const wchar_t* name;
    wchar_t character;
  } kNamed[] = {{L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
  for (const auto& named : kNamed) {
    if (body == named.name) {
      *code = static_cast<uint32_t>(named.character);
      return true;
    }
  }
  if (body.size() < 2 || body[0] != L'#') return false;
  const bool hex = body[1] == L'x';
  const size_t first = hex ? 2 : 1;
  if (first == body.size() || body.size() - first > 8) return false;
  uint32_t value = 0;
  for (size_t i = first; i < body.size(); ++i) {
    const wchar_t c = body[i];
    uint32_t digit;
    if (c >= L'0' && c <= L'9') digit = static_cast<uint32_t>(c - L'0');
    else if (hex && c >= L'a' && c <= L'f') digit = static_cast<uint32_t>(c - L'a' + 10);
    else if (hex && c >= L'A' && c <= L'F') digit = static_cast<uint32_t>(c - L'A' + 10);
    else return false;
    value = value * (hex ? 16 : 10) + digit;
  }
  // Zero, surrogates and values beyond Unicode are no characters.
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
  *code = value;
  return true;
}

}  // namespace

std::wstring DecodeXmlReferences(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const size_t amp = text.find(L'&', at);
    if (amp == std::wstring::npos) break;
    out.append(text, at, amp - at);
    const size_t window = std::min(text.size(), amp + 2 + kLongestBody);
    size_t semicolon = amp + 1;
    while (semicolon < window && text[semicolon] != L';') ++semicolon;
    uint32_t code = 0;
    if (semicolon == window || !ReferencedCharacter(text.substr(amp + 1, semicolon - amp - 1), &code)) {
      out.push_back(L'&');
      at = amp + 1;
      continue;
    }
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(code));
    }
    at = semicolon + 1;
  }
  out.append(text, at, std::wstring::npos);
  return out;
}

void ParseImageInfo(const std::wstring& xml, int index, std::wstring* name, std::wstring* description) {
  size_t image = xml.find(Format(L"<IMAGE INDEX=\"%d\">", index));
  if (image == std::wstring::npos) return;
  // Bounded by the image's own end, so that an image without a NAME or DESCRIPTION does
  // not show those of a later image in the chooser.
  size_t end = xml.find(L"</IMAGE>", image);
  std::wstring element = xml.substr(image, end == std::wstring::npos ? std::wstring::npos : end - image);
  if (!ElementText(element, L"<NAME>", L"</NAME>", name)) return;
  *name = DecodeXmlReferences(*name);
  if (ElementText(element, L"<DESCRIPTION>", L"</DESCRIPTION>", description))
    *description = DecodeXmlReferences(*description);
}
