// The program's arguments as any UTF-16 text, split at zero units into arguments.
#include "app/command_line.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::wstring> arguments;
  const std::wstring units = fuzz::Utf16Units(data, size);
  for (size_t start = 0; start < units.size();) {
    size_t end = units.find(L'\0', start);
    if (end == std::wstring::npos) end = units.size();
    arguments.push_back(units.substr(start, end - start));
    start = end + 1;
  }
  const cli::Options options = cli::ParseArguments(arguments);
  if (options.action == cli::Action::Restore || options.action == cli::Action::Backup) {
    FUZZ_CHECK(options.error.empty());
    FUZZ_CHECK(options.image.size() >= 4 && options.image[1] == L':' && options.image[2] == L'\\');
    FUZZ_CHECK(!options.partition.empty());
    FUZZ_CHECK(options.compression <= (options.wim ? 3 : 9));
    FUZZ_CHECK(!cli::HasForbiddenCharacter(options.image) && !cli::HasForbiddenCharacter(options.logFile));
  }
  return 0;
}
