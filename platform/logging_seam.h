// LoggingSeam: the seam of the program with the log in front of it. Every call that
// changes the machine (files written, copied, moved or deleted, folders made, programs
// started, formats, imaging, mounts, restarts) and every message shown is written to the
// log with its outcome, whoever calls it: pages, engines and worker threads alike.
// LoggingImaging and LoggingPrompts do the same for the imaging and the message boxes.
#pragma once

#include <string>

#include "platform/forwarding_seam.h"
#include "platform/imaging.h"
#include "platform/prompts.h"

class LoggingSeam : public ForwardingSeam {
 public:
  using ForwardingSeam::ForwardingSeam;

  bool MakeFolder(const std::wstring& path) override;
  bool CopyOneFile(const std::wstring& from, const std::wstring& to) override;
  bool CopyFileReporting(const std::wstring& from, const std::wstring& to,
                         const std::function<void(uint64_t)>& onBytes, uint32_t* error) override;
  bool RemoveFile(const std::wstring& path) override;
  bool RenameReplacing(const std::wstring& from, const std::wstring& to) override;
  bool ShellCopy(const std::wstring& from, const std::wstring& to) override;
  bool ShellDelete(const std::wstring& path) override;
  uint32_t ShellDeleteQuietly(const std::wstring& path) override;
  bool RewriteFile(const std::wstring& path, const std::string& bytes) override;
  bool WriteNewFile(const std::wstring& path, const std::string& bytes) override;
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
  bool WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) override;
  bool WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) override;
  bool DeleteRegistryValue(const std::wstring& key, const std::wstring& value) override;

  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                   bool show) override;
  int StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                          const std::function<bool()>& keepWaiting, bool* abandoned) override;
  int StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                            const std::wstring& input, bool* typed) override;
  bool RequestReboot(uint32_t* error) override;
  void EndProcess(int code) override;

  uint32_t FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) override;
};

// The imaging with the log in front of it: what writes a WIM file, applies, captures,
// mounts or unmounts an image.
class LoggingImaging : public ForwardingImaging {
 public:
  using ForwardingImaging::ForwardingImaging;

  WimHandle WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t flags,
                          uint32_t compression, uint32_t* error) override;
  bool WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  WimHandle WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags, uint32_t* error) override;
  bool WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags, uint32_t* error) override;
  bool WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) override;
};

// The prompts with the log in front of them: every message and every question with its answer.
class LoggingPrompts : public ForwardingPrompts {
 public:
  using ForwardingPrompts::ForwardingPrompts;

  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;
};

// The text of a message box's answer in the log ("是", "否", "取消", "确定").
std::wstring AnswerText(int answer);
