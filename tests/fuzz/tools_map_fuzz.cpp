// TOOLS.MAP as any bytes: decoded and split into tools. The first byte says whether the map
// went on beyond the bytes read.
#include "pages/toolbox/tools_page_actions.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tools_page;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool cut = data[0] & 1;
  const std::wstring text = map_text::Decode(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  for (const MapLine& tool : SplitToolsMap(text, cut)) {
    // Every field fits its room, terminating zero included.
    FUZZ_CHECK(map_text::AnsiLength(tool.name) < kNameRoom);
    FUZZ_CHECK(map_text::AnsiLength(tool.category) < kCategoryRoom);
    FUZZ_CHECK(map_text::AnsiLength(tool.path) < kPathRoom);
    FUZZ_CHECK(map_text::AnsiLength(tool.description) < kDescriptionRoom);
    FUZZ_CHECK(tool.path.find(L'\0') == std::wstring::npos);
  }
  return 0;
}
