// The additions to the messages' texts.
#include "platform/message_text.h"

#include "platform/log.h"
#include "platform/seam.h"
#include "platform/system.h"

std::wstring WithPath(const std::wstring& text, const std::wstring& path) { return text + L"\n" + path; }

std::wstring PathBesideProgram(const std::wstring& relativePath) {
  return GetModuleFolder() + L"\\" + relativePath;
}

std::wstring WithErrorText(const std::wstring& text, uint32_t code) {
  // Code 0 is "the operation completed": a failure that shows it read its code too late.
  if (code == 0) return text;
  const std::wstring system = TheSeam().ErrorText(code);
  return system.empty() ? text : text + L"\n" + system;
}

std::wstring WithLogPlace(const std::wstring& text) {
  const std::wstring log = LogFilePath();
  return log.empty() ? text : text + L"\n详细记录见：" + log;
}
