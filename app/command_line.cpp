// Parsing of the unattended job's arguments, its usage text and the meaning of its exit codes.
#include "app/command_line.h"

#include "deploy/ghost_job.h"
#include "platform/format.h"

namespace cli {

namespace {

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

std::wstring UpperText(std::wstring text) {
  for (auto& c : text) c = Upper(c);
  return text;
}

bool IsLetter(wchar_t c) { return Upper(c) >= L'A' && Upper(c) <= L'Z'; }

// A number of at most four digits.
bool ReadNumber(const std::wstring& text, int* number) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  *number = value;
  return true;
}

// "C:" or "C:\", any case, as "C:"; or a partition number as the page lists it ("1:1").
bool ReadPartition(const std::wstring& text, std::wstring* partition) {
  size_t colon = text.find(L':');
  int disk = 0, number = 0;
  if (colon != std::wstring::npos && ReadNumber(text.substr(0, colon), &disk) &&
      ReadNumber(text.substr(colon + 1), &number) && disk > 0 && number > 0) {
    *partition = Format(L"%d:%d", disk, number);
    return true;
  }
  if ((text.size() != 2 && !(text.size() == 3 && text[2] == L'\\')) || !IsLetter(text[0]) || text[1] != L':')
    return false;
  *partition = std::wstring(1, Upper(text[0])) + L":";
  return true;
}

// A full path from a drive letter whose file name ends in .GHO or .WIM (any case).
bool ReadImage(const std::wstring& text, std::wstring* image, bool* wim) {
  if (!IsAbsoluteImagePath(text)) return false;
  size_t slash = text.rfind(L'\\'), dot = text.rfind(L'.');
  if (dot == std::wstring::npos || dot < slash || dot == slash + 1) return false;
  std::wstring extension = UpperText(text.substr(dot));
  if (extension != L".GHO" && extension != L".WIM") return false;
  *image = text;
  *wim = extension == L".WIM";
  return true;
}

Options Refused(const std::wstring& why) {
  Options options;
  options.action = Action::Usage;
  options.error = why;
  return options;
}

// A switch as technicians type it: / or -, any case, a value after a colon or none.
struct Switch {
  std::wstring name;    // upper case, without its / or -
  std::wstring value;   // what followed the colon
  bool joined = false;  // the value came after a colon
};

// No image path or partition starts with / or -, so such an argument is a switch.
bool ReadSwitch(const std::wstring& argument, Switch* found) {
  if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return false;
  size_t colon = argument.find(L':');
  found->name = UpperText(argument.substr(1, colon == std::wstring::npos ? std::wstring::npos : colon - 1));
  found->joined = colon != std::wstring::npos;
  found->value = found->joined ? argument.substr(colon + 1) : std::wstring();
  return true;
}

bool IsHelp(const std::wstring& name) { return name == L"?" || name == L"HELP" || name == L"H"; }

const wchar_t kForbidden[] = L"含有 Windows 不允许用于文件名的字符（\" < > | * ? 或盘符后的冒号）：";

}  // namespace

bool HasForbiddenCharacter(const std::wstring& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    wchar_t c = path[i];
    if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?') return true;
    if (c == L':' && i != 1) return true;
  }
  return false;
}

Options ParseArguments(const std::vector<std::wstring>& arguments) {
  Options options;
  if (arguments.empty()) return options;
  Switch first;
  for (const auto& argument : arguments) {
    Switch any;
    if (!ReadSwitch(argument, &any)) continue;
    if (IsHelp(any.name)) {
      options.action = Action::Usage;
      return options;
    }
    if (any.name == L"VERSION") options.action = Action::Version;
  }
  if (options.action == Action::Version) return options;
  if (!ReadSwitch(arguments[0], &first) || first.joined || (first.name != L"RESTORE" && first.name != L"BACKUP"))
    return Refused(L"第一个参数须为 /restore、/backup、/version 或 /?：" + arguments[0]);
  options.action = first.name == L"RESTORE" ? Action::Restore : Action::Backup;
  if (arguments.size() < 3) return Refused(L"缺少镜像文件或分区。");
  bool restore = options.action == Action::Restore;
  const std::wstring& imageText = restore ? arguments[1] : arguments[2];
  const std::wstring& partitionText = restore ? arguments[2] : arguments[1];
  if (HasForbiddenCharacter(imageText)) return Refused(L"镜像文件" + std::wstring(kForbidden) + imageText);
  if (!ReadImage(imageText, &options.image, &options.wim))
    return Refused(L"镜像文件须为带盘符的完整路径，扩展名为 .GHO 或 .WIM：" + imageText);
  if (!ReadPartition(partitionText, &options.partition)) return Refused(L"分区须写作盘符加冒号（如 C:）或磁盘号:分区号（如 1:1）：" + partitionText);

  bool haveIndex = false, haveCompression = false, haveLog = false;
  for (size_t i = 3; i < arguments.size(); ++i) {
    Switch option;
    if (!ReadSwitch(arguments[i], &option)) return Refused(L"多余的参数：" + arguments[i]);
    const std::wstring& name = option.name;
    bool takesValue = name == L"INDEX" || name == L"Z" || name == L"LOG";
    bool* flag = name == L"YES" ? &options.yes : name == L"REBOOT" ? &options.reboot
                 : name == L"APPEND" ? &options.append : name == L"QUIET" ? &options.quiet : nullptr;
    bool* seen = name == L"INDEX" ? &haveIndex : name == L"Z" ? &haveCompression : name == L"LOG" ? &haveLog : flag;
    if (!seen) return Refused(L"未知参数：" + arguments[i]);
    if (*seen) return Refused(L"参数重复：" + arguments[i]);
    *seen = true;
    if (!takesValue) {
      if (option.joined) return Refused(arguments[i] + L" 不带取值。");
      continue;
    }
    if (!option.joined) {
      if (i + 1 >= arguments.size()) return Refused(arguments[i] + L" 后缺少取值。");
      option.value = arguments[++i];
    }
    const std::wstring& value = option.value;
    if (name == L"LOG") {
      if (value.empty() || HasForbiddenCharacter(value)) return Refused(L"日志文件" + std::wstring(kForbidden) + value);
      options.logFile = value;
      continue;
    }
    int number = 0;
    if (!ReadNumber(value, &number)) return Refused(L"/" + UpperText(name) + L" 的取值须为数字：" + value);
    if (name == L"INDEX") options.index = number;
    else options.compression = number;
  }

  if (haveIndex && !(restore && options.wim)) return Refused(L"/index 只用于还原 WIM 镜像。");
  if (haveIndex && options.index < 1) return Refused(L"/index 从 1 开始。");
  if (haveCompression && restore) return Refused(L"/z 只用于备份。");
  if (options.compression > (options.wim ? 3 : 9))
    return Refused(options.wim ? L"WIM 备份的 /z 取 0 到 3。" : L"GHO 备份的 /z 取 0 到 9。");
  if (options.append && (restore || !options.wim)) return Refused(L"/append 只用于备份到 WIM 文件。");
  // Without /yes the job asks its question in a box, which nobody at a quiet run answers.
  if (options.quiet && !options.yes) return Refused(L"/quiet 须与 /yes 同用：不加 /yes 时任务要等人回答提问。");
  return options;
}

std::wstring UsageText() {
  return L"Rigmate 命令行：不打开主窗口执行一项还原或备份，结束时返回退出代码。\n"
         L"\n"
         L"  Rigmate.exe /restore <镜像文件> <分区> [/index <n>] [选项]\n"
         L"  Rigmate.exe /backup <分区> <镜像文件> [/z <级别>] [/append] [选项]\n"
         L"  Rigmate.exe /version | /?\n"
         L"  选项：[/yes] [/reboot] [/quiet] [/log <日志文件>]\n"
         L"\n"
         L"  <镜像文件>  带盘符的完整路径，扩展名为 .GHO 或 .WIM（如 D:\\GHO\\WIN7.GHO）。\n"
         L"  <分区>      盘符加冒号（如 C:），或“备份还原”页所列的序号：\n"
         L"              磁盘号:分区号（如 1:1，第一块 MBR 硬盘的第一个分区）。\n"
         L"              从 U 盘启动的 PE 中第一块磁盘可能就是 U 盘：还原拒绝 U 盘、\n"
         L"              可移动磁盘、PE 和本软件所在的分区及镜像所在的分区（代码 4）。\n"
         L"  /index <n>  还原 WIM 文件中的第 n 个镜像，默认为 1。\n"
         L"  /z <级别>   备份的压缩：GHO 为 Ghost 的压缩级别 0-9；WIM 为 0 不压缩、\n"
         L"              1 快速压缩、2 高压缩、3 最高压缩。默认为 0。\n"
         L"  /append     把镜像追加到已有的 WIM 文件。\n"
         L"  /yes        对本软件的确认提问一律回答“是”；不加时照常显示提问。\n"
         L"              WIM 还原时不弹出格式化窗口，直接快速格式化（NTFS）。\n"
         L"  /reboot     任务成功后重启电脑。\n"
         L"  /quiet      只显示错误；须与 /yes 同用。\n"
         L"  /log        日志文件，默认为程序旁的 Rigmate.log；写不了时不执行任务。\n"
         L"  /version    显示版本，以及 DOS 安装环境是否完整。\n"
         L"  /? /help -h 显示本说明。\n"
         L"\n"
         L"开关可用 / 或 -，不分大小写；取值写在空格或冒号之后（/index 2 或 /index:2）。\n"
         L"在 PE 中任务立即执行；在桌面环境下 GHO 任务配置为下次启动时在 DOS 中执行。\n"
         L"\n"
         L"示例：\n"
         L"  Rigmate.exe /restore D:\\GHO\\WIN7.GHO C: /yes /reboot\n"
         L"  Rigmate.exe /restore E:\\sources\\install.wim C: /index:2 /yes\n"
         L"  Rigmate.exe -backup C: D:\\GHO\\BACKUP.GHO -z 9 -yes -log D:\\Rigmate.log\n"
         L"\n"
         L"退出代码：0 完成；3010 已配置，重启电脑后执行；1641 已配置并已开始重启；\n"
         L"  1 参数错误或日志写不了；\n"
         L"  2 镜像文件、分区、索引或 GHOST32.EXE 与参数不符；3 回答了“否”或取消；\n"
         L"  4 当前环境不支持；5 DOS 安装环境配置失败；6 启动项设置或修复失败；\n"
         L"  7 镜像操作失败；8 重启失败；9 其他失败；10 另一个 Rigmate 正在运行。\n";
}

std::wstring ExitCodeMeaning(int code) {
  switch (code) {
    case exit_code::Done: return L"完成";
    case exit_code::RestartRequired: return L"已配置，重启电脑后执行";
    case exit_code::RestartStarted: return L"已配置，已开始重启，重启后执行";
    case exit_code::BadArguments: return L"参数错误或日志写不了，未执行任务";
    case exit_code::Mismatch: return L"镜像文件、分区、索引或 GHOST32.EXE 与参数不符";
    case exit_code::Declined: return L"提问回答了“否”，或取消了格式化";
    case exit_code::Refused: return L"当前环境不支持";
    case exit_code::StagingFailed: return L"DOS 安装环境配置失败";
    case exit_code::BootFailed: return L"启动项设置或修复失败";
    case exit_code::ImagingFailed: return L"镜像操作失败";
    case exit_code::RestartFailed: return L"任务已完成，但重启失败";
    case exit_code::AnotherCopy: return L"另一个 Rigmate 正在运行，未执行任务";
    default: return L"其他失败";
  }
}

}  // namespace cli
