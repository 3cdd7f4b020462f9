// VIDEO_MAP as any bytes: decoded and split into pairs of video name and description.
#include "pages/toolbox/course_page_actions.h"
#include "pages/toolbox/map_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = map_text::Decode(std::string(reinterpret_cast<const char*>(data), size));
  for (const course_page::MapPair& pair : course_page::SplitVideoMap(text)) {
    FUZZ_CHECK(!pair.name.empty() && pair.name.find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(map_text::AnsiLength(pair.name) <= course_page::kNameBytes);
    FUZZ_CHECK(map_text::AnsiLength(pair.description) <= course_page::kDescriptionBytes);
  }
  return 0;
}
