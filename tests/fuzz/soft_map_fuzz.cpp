// SOFT_MAP as any bytes: decoded, split into lines and fields. The first byte says whether
// the map went on beyond the bytes read.
#include "pages/toolbox/software_actions.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool cut = data[0] & 1;
  const std::wstring text = map_text::Decode(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  for (const map_text::Line& line : software_page::SoftwareMapLines(text, cut)) {
    FUZZ_CHECK(!line.text.empty() && line.text.find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(map_text::AnsiLength(line.text) <= software_page::kLineBytes);
    FUZZ_CHECK(line.end <= text.size() && line.text.size() <= line.end);
    const software_page::MapFields fields = software_page::SplitSoftwareLine(line.text);
    FUZZ_CHECK(fields.name.size() + fields.relativeFile.size() + fields.description.size() +
                   fields.parameters.size() <= line.text.size());
  }
  return 0;
}
