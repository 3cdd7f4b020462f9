// BOOT.INI as any bytes: the loader check, and the edit that makes the DOS-stage loader the
// default entry.
#include <cstring>

#include "deploy/boot_ini_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  BootIniNamesLoader(original);
  std::string edited = original;
  if (!EditBootIniText(&edited)) {
    FUZZ_CHECK(edited == original);   // a refused edit leaves every byte
    return 0;
  }
  const size_t entry = std::strlen(kBootIniEntryLine);
  FUZZ_CHECK(edited.size() >= entry && edited.compare(edited.size() - entry, entry, kBootIniEntryLine) == 0);
  FUZZ_CHECK(BootIniNamesLoader(edited));
  // Both keys are still where the loader reads them.
  std::string again = edited;
  FUZZ_CHECK(EditBootIniText(&again));
  return 0;
}
