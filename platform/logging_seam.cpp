// The log lines of the calls that change the machine, each written after the call with
// its outcome (a start is written before as well: the wait may be long).
#include "platform/logging_seam.h"

#include "platform/format.h"
#include "platform/log.h"

namespace {

constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kYesNoCancel = 0x3, kYesNo = 0x4;
constexpr uint32_t kWimGenericWrite = 0x40000000;

// "写入文件：C:\kxdos.ima" or "写入文件失败：C:\kxdos.ima".
void LogStep(bool ok, const wchar_t* what, const std::wstring& detail) {
  LogEvent(std::wstring(what) + (ok ? L"：" : L"失败：") + detail);
}

std::wstring Pair(const std::wstring& from, const std::wstring& to) { return from + L" -> " + to; }

// The program as it was started: its command line, or the application alone.
std::wstring Started(const std::wstring& application, const std::wstring& commandLine) {
  return commandLine.empty() ? application : commandLine;
}

}  // namespace

std::wstring AnswerText(int answer) {
  switch (answer) {
    case 1: return L"确定";
    case 2: return L"取消";
    case 6: return L"是";
    case 7: return L"否";
    default: return Format(L"%d", answer);
  }
}

bool LoggingSeam::MakeFolder(const std::wstring& path) {
  bool ok = ForwardingSeam::MakeFolder(path);
  LogStep(ok, L"创建文件夹", path);
  return ok;
}

bool LoggingSeam::CopyOneFile(const std::wstring& from, const std::wstring& to) {
  bool ok = ForwardingSeam::CopyOneFile(from, to);
  LogStep(ok, L"复制文件", Pair(from, to));
  return ok;
}

bool LoggingSeam::CopyFileReporting(const std::wstring& from, const std::wstring& to,
                                    const std::function<void(uint64_t)>& onBytes, uint32_t* error) {
  bool ok = ForwardingSeam::CopyFileReporting(from, to, onBytes, error);
  LogStep(ok, L"复制文件", Pair(from, to));
  return ok;
}

bool LoggingSeam::RenameReplacing(const std::wstring& from, const std::wstring& to) {
  bool ok = ForwardingSeam::RenameReplacing(from, to);
  LogStep(ok, L"重命名文件", Pair(from, to));
  return ok;
}

bool LoggingSeam::RemoveFile(const std::wstring& path) {
  bool ok = ForwardingSeam::RemoveFile(path);
  LogStep(ok, L"删除文件", path);
  return ok;
}

bool LoggingSeam::ShellCopy(const std::wstring& from, const std::wstring& to) {
  bool ok = ForwardingSeam::ShellCopy(from, to);
  LogStep(ok, L"复制", Pair(from, to));
  return ok;
}

bool LoggingSeam::ShellDelete(const std::wstring& path) {
  bool ok = ForwardingSeam::ShellDelete(path);
  LogStep(ok, L"删除", path);
  return ok;
}

uint32_t LoggingSeam::ShellDeleteQuietly(const std::wstring& path) {
  uint32_t code = ForwardingSeam::ShellDeleteQuietly(path);
  LogStep(code == 0, L"删除", path);
  return code;
}

bool LoggingSeam::RewriteFile(const std::wstring& path, const std::string& bytes) {
  bool ok = ForwardingSeam::RewriteFile(path, bytes);
  LogStep(ok, L"改写文件", Format(L"%s（%d 字节）", path, bytes.size()));
  return ok;
}

bool LoggingSeam::WriteNewFile(const std::wstring& path, const std::string& bytes) {
  bool ok = ForwardingSeam::WriteNewFile(path, bytes);
  LogStep(ok, L"写入文件", Format(L"%s（%d 字节）", path, bytes.size()));
  return ok;
}

bool LoggingSeam::SetAttributes(const std::wstring& path, uint32_t attributes) {
  bool ok = ForwardingSeam::SetAttributes(path, attributes);
  LogStep(ok, L"设置属性", Format(L"%s 0x%02X", path, attributes));
  return ok;
}

bool LoggingSeam::WriteRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) {
  bool ok = ForwardingSeam::WriteRegistryNumber(key, value, number);
  LogStep(ok, L"写入注册表", Format(L"HKLM\\%s\\%s = %u", key, value, number));
  return ok;
}

bool LoggingSeam::WriteRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) {
  bool ok = ForwardingSeam::WriteRegistryText(key, value, text);
  LogStep(ok, L"写入注册表", Format(L"HKLM\\%s\\%s = %s", key, value, text));
  return ok;
}

bool LoggingSeam::DeleteRegistryValue(const std::wstring& key, const std::wstring& value) {
  bool ok = ForwardingSeam::DeleteRegistryValue(key, value);
  LogStep(ok, L"删除注册表值", Format(L"HKLM\\%s\\%s", key, value));
  return ok;
}

int LoggingPrompts::ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) {
  int answer = ForwardingPrompts::ShowMessageBox(text, caption, style);
  unsigned buttons = style & kButtonsMask;
  if (buttons == kYesNo || buttons == kYesNoCancel)
    LogEvent(L"提问：" + text + L" —— 回答：" + AnswerText(answer));
  else
    LogEvent(L"消息：" + text);
  return answer;
}

int LoggingSeam::StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                                     const std::function<bool()>& keepWaiting, bool* abandoned) {
  std::wstring program = Started(application, commandLine);
  LogEvent(L"启动程序：" + program);
  int result = ForwardingSeam::StartProcessWatched(application, commandLine, show, keepWaiting, abandoned);
  if (*abandoned)
    LogEvent(L"不再等待：" + program);
  else if (result == -1)
    LogEvent(L"无法启动：" + program);
  else
    LogEvent(Format(L"程序结束，退出代码 %d：%s", result, program));
  return result;
}

int LoggingSeam::StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                                       const std::wstring& input, bool* typed) {
  std::wstring program = Started(application, commandLine);
  LogEvent(L"启动程序：" + program);
  int result = ForwardingSeam::StartProcessWithInput(application, commandLine, input, typed);
  if (result == -1)
    LogEvent(*typed ? L"无法启动：" + program : L"输入含有控制台代码页中没有的字符，未启动：" + program);
  else
    LogEvent(Format(L"程序结束，退出代码 %d：%s", result, program));
  return result;
}

int LoggingSeam::StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                              bool show) {
  std::wstring program = Started(application, commandLine);
  LogEvent(L"启动程序：" + program);
  int result = ForwardingSeam::StartProcess(application, commandLine, wait, show);
  if (result == -1)
    LogEvent(L"无法启动：" + program);
  else if (wait)
    LogEvent(Format(L"程序结束，退出代码 %d：%s", result, program));
  return result;
}

bool LoggingSeam::RequestReboot(uint32_t* error) {
  LogEvent(L"请求重启电脑");
  bool ok = ForwardingSeam::RequestReboot(error);
  if (!ok) LogEvent(Format(L"重启被拒绝，错误代码：%d", *error));
  return ok;
}

void LoggingSeam::EndProcess(int code) {
  LogEvent(Format(L"程序退出，退出代码：%d", code));
  ForwardingSeam::EndProcess(code);
}

Imaging::WimHandle LoggingImaging::WimCreateFile(const std::wstring& path, uint32_t access, uint32_t disposition,
                                           uint32_t flags, uint32_t compression, uint32_t* error) {
  WimHandle file = ForwardingImaging::WimCreateFile(path, access, disposition, flags, compression, error);
  // Only a file opened for writing changes anything.
  if (access & kWimGenericWrite)
    LogStep(file != 0, L"打开WIM文件写入", file ? path : Format(L"%s，错误代码：%d", path, *error));
  return file;
}

bool LoggingImaging::WimApplyImage(WimHandle image, const std::wstring& path, uint32_t flags, uint32_t* error) {
  LogEvent(L"开始应用WIM镜像到：" + path);
  bool ok = ForwardingImaging::WimApplyImage(image, path, flags, error);
  LogStep(ok, L"应用WIM镜像", ok ? path : Format(L"%s，错误代码：%d", path, *error));
  return ok;
}

Imaging::WimHandle LoggingImaging::WimCaptureImage(WimHandle wim, const std::wstring& path, uint32_t flags,
                                             uint32_t* error) {
  LogEvent(L"开始捕获WIM镜像：" + path);
  WimHandle image = ForwardingImaging::WimCaptureImage(wim, path, flags, error);
  LogStep(image != 0, L"捕获WIM镜像", image ? path : Format(L"%s，错误代码：%d", path, *error));
  return image;
}

bool LoggingImaging::WimMountImageHandle(WimHandle image, const std::wstring& folder, uint32_t flags,
                                      uint32_t* error) {
  bool ok = ForwardingImaging::WimMountImageHandle(image, folder, flags, error);
  LogStep(ok, L"挂载WIM镜像", ok ? folder : Format(L"%s，错误代码：%d", folder, *error));
  return ok;
}

bool LoggingImaging::WimUnmountImageHandle(WimHandle image, uint32_t flags, uint32_t* error) {
  bool ok = ForwardingImaging::WimUnmountImageHandle(image, flags, error);
  LogStep(ok, L"卸载WIM镜像", ok ? std::wstring(L"完成") : Format(L"错误代码：%d", *error));
  return ok;
}

uint32_t LoggingSeam::FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) {
  std::wstring letter = Format(L"%c:", static_cast<wchar_t>(L'A' + (drive < 26 ? drive : 0)));
  LogEvent(L"格式化：" + letter);
  uint32_t result = ForwardingSeam::FormatDrive(drive, formatId, options);
  LogEvent(Format(L"格式化结束：%s，结果 0x%X", letter, result));
  return result;
}
