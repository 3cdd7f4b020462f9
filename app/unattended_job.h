// An unattended job: the command line's restore or backup, run through the backup and
// restore page's own roads and the same engines, without any window of the program.
#pragma once

#include <functional>
#include <string>

#include "app/command_line.h"
#include "deploy/ghost_job.h"
#include "deploy/wim_engine.h"
#include "platform/prompts.h"

namespace cli {

// Where the job's lines go (the console that started the program); error: a refusal or
// failure, for standard error and for /quiet.
using Output = std::function<void(const std::wstring& text, bool error)>;

// The prompts under an unattended job: a message goes to the output instead of a box
// that nobody would close; a question is answered Yes under /yes and otherwise shown as
// in the window.
class UnattendedPrompts : public ForwardingPrompts {
 public:
  UnattendedPrompts(Prompts& inner, bool answerYes, Output output);
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;

 private:
  bool answerYes_;
  Output output_;
};

// Runs the job on the calling thread; its exit code (exit_code::RestartRequired when it
// was only staged for the next start). The prompts in use (ThePrompts) should be an
// UnattendedPrompts. No restart question is asked: /reboot restarts after success.
int RunJob(const Options& options, const Output& output);

// The exit code of an engine's outcome.
int ExitCodeOf(GhostCode code);
int ExitCodeOf(WimCode code);

}  // namespace cli
