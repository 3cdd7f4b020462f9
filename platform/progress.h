// Progress: the one contract between a long operation and whoever shows it (the progress
// dialog, the console of an unattended job, a test), and the one shape of such an
// operation and of what runs it. Portable, so that every engine reports natively too.
#pragma once

#include <atomic>
#include <functional>
#include <string>

// Called on the worker's thread; an implementation only hands things over (posts).
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Position(int percent) = 0;   // 0..100, only growing
  virtual void Status(const std::wstring& text) = 0;
  // True once nobody waits for the outcome any more: start nothing new, show no box.
  virtual bool Stopping() const = 0;
  // A wait: for the user to read the last text, or for the machine to catch up.
  virtual void Pause(int milliseconds) = 0;
  // From here on the user may ask the work to stop (Stopping then turns true), until it
  // says otherwise: only where stopping leaves nothing half done that matters.
  virtual void AllowStop(bool allowed) = 0;
  // What a stop asked for now waits for (a large file being copied: its name), so that
  // the question can say it; empty when a stop takes effect at once.
  virtual void StopNote(const std::wstring&) {}
};

// A long operation: true when it succeeded. On failure its last status says why.
using Work = std::function<bool(Progress&)>;
// Runs a work to its end behind a progress display and returns its result.
using WorkRunner = std::function<bool(const Work&)>;

// The progress of a worker that shows none: it is only told to stop, by its owner's flag.
class QuietProgress : public Progress {
 public:
  explicit QuietProgress(const std::atomic<bool>& stop) : stop_(stop) {}
  void Position(int) override {}
  void Status(const std::wstring&) override {}
  bool Stopping() const override { return stop_.load(); }
  void Pause(int milliseconds) override;
  void AllowStop(bool) override {}   // nobody to ask: only the owner stops it

 private:
  const std::atomic<bool>& stop_;
};
