// An unattended job: the command line's restore or backup, run through the backup and
// restore page's own roads and the same engines, without any window of the program.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/prompts.h"

namespace cli {

// Where the job's lines go (the console that started the program); error: a refusal or
// failure, for standard error and for /quiet.
using Output = std::function<void(const std::wstring& text, bool error)>;

// The prompts under an unattended job: a message goes to the output instead of a box
// that nobody would close; a question is answered Yes under /yes and otherwise shown as
// in the window. It remembers what it was told, for the job's exit code.
class UnattendedPrompts : public ForwardingPrompts {
 public:
  UnattendedPrompts(Prompts& inner, bool answerYes, Output output);
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;

  bool declined() const;                      // a question was answered other than Yes
  bool told(const std::wstring& text) const;  // this message was shown

 private:
  bool answerYes_;
  Output output_;
  mutable std::mutex lock_;
  bool declined_ = false;
  std::vector<std::wstring> messages_;
};

// Runs the job on the calling thread; its exit code (exit_code::RestartRequired when it
// was only staged for the next start). The prompts in use (ThePrompts) must reach
// `prompts`. No restart question is asked: /reboot restarts after success.
int RunJob(const Options& options, const UnattendedPrompts& prompts, const Output& output);

}  // namespace cli
