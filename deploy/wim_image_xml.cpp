// Image name and description out of the image-information XML, without an XML parser.
#include "deploy/wim_image_xml.h"

#include "platform/format.h"

namespace {

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

}  // namespace

void ParseImageInfo(const std::wstring& xml, int index, std::wstring* name, std::wstring* description) {
  size_t image = xml.find(Format(L"<IMAGE INDEX=\"%d\">", index));
  if (image == std::wstring::npos) return;
  // Bounded by the image's own end, so that an image without a NAME or DESCRIPTION does
  // not show those of a later image in the chooser.
  size_t end = xml.find(L"</IMAGE>", image);
  std::wstring element = xml.substr(image, end == std::wstring::npos ? std::wstring::npos : end - image);
  if (!ElementText(element, L"<NAME>", L"</NAME>", name)) return;
  ElementText(element, L"<DESCRIPTION>", L"</DESCRIPTION>", description);
}
