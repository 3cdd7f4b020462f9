// Windows' format.com started from the system folder with its answers on its input, and
// the check that it did format.
#include "deploy/quick_format.h"

#include <cstdint>

#include "platform/format.h"
#include "platform/seam.h"

namespace {

constexpr uint32_t kNoAttributes = 0xFFFFFFFF, kHidden = 0x2, kSystem = 0x4;

// A fresh NTFS root lists nothing but the folders Windows makes there at once, hidden
// and system (System Volume Information); what the restore would lay its image over
// shows as anything else.
bool RootLooksFresh(const std::wstring& root) {
  Seam& seam = TheSeam();
  for (const FileEntry& entry : seam.ListFolder(root)) {
    if (entry.name == L"." || entry.name == L"..") continue;
    uint32_t attributes = seam.FileAttributes(root + entry.name);
    if (attributes == kNoAttributes || (attributes & (kHidden | kSystem)) != (kHidden | kSystem)) return false;
  }
  return true;
}

// What answers format.com's questions: the current label, when the volume has one, then
// an empty line for no new label.
std::wstring FormatAnswers(const std::wstring& currentLabel) {
  return currentLabel.empty() ? L"\r\n" : currentLabel + L"\r\n\r\n";
}

}  // namespace

std::wstring QuickFormat(const std::wstring& target) {
  Seam& seam = TheSeam();
  const std::wstring root = target + L"\\";
  const std::wstring system = seam.SystemDirectory();
  if (system.empty()) return Format(L"找不到系统文件夹，无法格式化%s盘！", target);
  // An unformatted volume has neither label nor serial; format.com asks no label then.
  std::wstring label, fileSystem;
  uint32_t before = 0;
  const bool known = seam.VolumeInformation(root, &label, &fileSystem) && seam.VolumeSerialNumber(root, &before);
  if (!known) label.clear();

  bool typed = true;
  const std::wstring program = system + L"\\format.com";
  int code = seam.StartProcessWithInput(program, Format(L"format.com %s /FS:NTFS /Q /Y", target), FormatAnswers(label),
                                        &typed);
  if (!typed)
    return Format(L"%s盘的卷标“%s”含有控制台代码页中没有的字符，format.com 无法确认它，%s盘没有格式化！", target,
                  label, target);
  if (code == -1) return Format(L"无法启动 %s，%s盘没有格式化！", program, target);
  if (code != 0) return Format(L"format.com 格式化%s盘失败，退出代码：%d！", target, code);

  uint32_t after = 0;
  if (!seam.VolumeSerialNumber(root, &after) || (known && after == before))
    return Format(L"format.com 结束了，但%s盘的卷序列号没有变：%s盘没有格式化，没有写入任何数据！", target, target);
  if (!RootLooksFresh(root))
    return Format(L"format.com 结束了，但%s盘的根目录里还有文件：%s盘没有格式化，没有写入任何数据！", target, target);
  return std::wstring();
}
