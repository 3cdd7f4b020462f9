// The additions to the messages' texts.
#include "platform/message_text.h"

#include <atomic>

#include "platform/system.h"

namespace {
std::atomic<ErrorTextLookup> g_lookup{nullptr};
}  // namespace

std::wstring WithPath(const std::wstring& text, const std::wstring& path) { return text + L"\n" + path; }

std::wstring PathBesideProgram(const std::wstring& relativePath) {
  return GetModuleFolder() + L"\\" + relativePath;
}

void SetErrorTextLookup(ErrorTextLookup lookup) { g_lookup.store(lookup); }

std::wstring SystemErrorText(uint32_t code) {
  const ErrorTextLookup lookup = g_lookup.load();
  return lookup ? lookup(code) : std::wstring();
}

std::wstring WithErrorText(const std::wstring& text, uint32_t code) {
  const std::wstring system = SystemErrorText(code);
  return system.empty() ? text : text + L"\n" + system;
}
