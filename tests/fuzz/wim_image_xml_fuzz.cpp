// A WIM file's image-information XML as any UTF-16 text: one image's name and description.
// The first byte is the index asked for.
#include "deploy/wim_image_xml.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int index = static_cast<int8_t>(data[0]);
  const std::wstring xml = fuzz::Utf16Units(data + 1, size - 1);
  std::wstring name = L"unchanged", description = L"unchanged";
  ParseImageInfo(xml, index, &name, &description);
  FUZZ_CHECK(name.size() <= xml.size() || name == L"unchanged");
  // A reference never takes less room than the character it names.
  FUZZ_CHECK(DecodeXmlReferences(xml).size() <= xml.size());
  return 0;
}
