// The tool pack page's actions: TOOLS.MAP, the WEPE mount and unmount, the list filters.
#include "pages/toolbox/tools_page_actions.h"

#include <algorithm>

#include "deploy/wim_mount.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace tools_page {

namespace {

constexpr unsigned kError = mbox::Ok | mbox::IconExclamation;
constexpr uint32_t kSharingViolation = 32, kElementNotFound = 1168;

// A box of the loader's: once the page is going, nobody is there to answer it, and the
// window thread must not wait for it. The answer then is the one that goes on least.
int Tell(Progress& progress, const std::wstring& text, unsigned style) {
  if (progress.Stopping()) return (style & 0xF) == mbox::YesNo ? mbox::IdNo : mbox::IdOk;
  return ShowMessage(text, style);
}

std::wstring DesignedDeleteFailureText(const std::wstring& folder, uint32_t code) {
  const int shown = static_cast<int>(code);
  if (code == kSharingViolation)
    return Format(L"删除路径%s失败！错误代码：%d 信息：该文件夹正在被其它进程使用！（请使用资源监视器中的关联句柄查找该文件夹名称，找到相应进程后结束进程，重启本软件！）",
                  folder, shown);
  if (code == kElementNotFound)
    return Format(L"删除路径%s失败！错误代码：%d 信息：找不到元素！（请使用资源管理器将该文件夹删除后重启本软件！）",
                  folder, shown);
  return Format(L"删除路径%s失败！错误代码：%d", folder, shown);
}

std::wstring DeleteFailureText(const std::wstring& folder, uint32_t code) {
  return WithErrorText(DesignedDeleteFailureText(folder, code), code);
}

void Note(const ToolsOut& out, const std::wstring& why) {
  if (out.note) out.note(why);
}

bool Fits(const std::wstring& field, size_t room) {
  return field.find(L'\0') == std::wstring::npos && map_text::AnsiLength(field) < room;
}

}  // namespace

const std::vector<std::wstring>& Categories() {
  static const std::vector<std::wstring> categories{kAll, L"文件工具", L"磁盘管理", L"输入法",
                                                    L"检测工具", L"密码管理", L"系统工具", L"安装工具"};
  return categories;
}

std::vector<MapLine> SplitToolsMap(const std::wstring& text, bool cut) {
  std::vector<MapLine> lines;
  for (const map_text::Line& line : map_text::SplitLines(text, cut)) {
    if (line.text.empty()) continue;
    std::wstring fields[4];
    size_t field = 0;
    for (wchar_t c : line.text) {
      if (c == L'|') {
        if (++field == 4) break;
      } else {
        fields[field].push_back(c);
      }
    }
    MapLine tool{fields[0], fields[1], fields[2], fields[3]};
    if (Fits(tool.name, kNameRoom) && Fits(tool.category, kCategoryRoom) && Fits(tool.path, kPathRoom) &&
        Fits(tool.description, kDescriptionRoom))
      lines.push_back(std::move(tool));
  }
  return lines;
}

void ParseToolsMap(const map_text::Head& head, const std::wstring& baseFolder, const ToolsOut& out,
                   Progress& progress) {
  int count = 0;
  for (MapLine& line : SplitToolsMap(map_text::Decode(head.bytes), head.cut)) {
    if (progress.Stopping()) return;
    _PROGRAM program;
    program.strName = std::move(line.name);
    program.strCategory = std::move(line.category);
    program.strPath = baseFolder + line.path;
    program.strDescription = std::move(line.description);
    program.strVersion = GetFileVersionString(program.strPath);
    out.add(std::move(program));
    if (++count % 5 == 0) out.refresh();
  }
}

void LoadToolsMap(const std::wstring& mapPath, const std::wstring& baseFolder, const ToolsOut& out,
                  Progress& progress) {
  if (!PathExists(mapPath)) {
    Note(out, WithPath(L"找不到工具列表TOOLS.MAP，没有工具可列出：", mapPath));
    Tell(progress, WithPath(L"找不到TOOL.MAP文件！", mapPath), kError);
    return;
  }
  map_text::Head head;
  if (!map_text::ReadHead(mapPath, kMapReadBytes, &head)) {
    Note(out, WithPath(L"无法读取工具列表TOOLS.MAP，没有工具可列出：", mapPath));
    Tell(progress, L"打开配置文件失败！", kError);
    return;
  }
  ParseToolsMap(head, baseFolder, out, progress);
  out.refresh();
}

bool PrepareAndMount(_MOUNT* mount, const ToolsOut& out, Progress& progress) {
  const std::wstring& folder = mount->strMountPath;
  bool emptied = !PathExists(folder);
  if (!emptied &&
      Tell(progress, Format(L"软件需要将工具挂载到路径%s下，但该路径已经存在，需要删除该路径。是否删除？", folder),
           mbox::YesNo | mbox::DefaultNo) == mbox::IdYes) {
    emptied = true;   // the user gave it up: the clean-up removes it too
    const uint32_t code = DeletePathQuietly(folder);
    if (code != 0) {
      mount->bFolderOurs = 1;
      Tell(progress, DeleteFailureText(folder, code), mbox::Ok);
      return false;
    }
  }
  if (progress.Stopping()) return false;
  if (!CreateFolderPath(folder)) {
    const int code = static_cast<int>(TheSeam().LastError());
    Tell(progress, WithErrorText(Format(L"创建路径%s失败！代码：%d", folder, code), static_cast<uint32_t>(code)), mbox::Ok);
    return false;
  }
  if (emptied) mount->bFolderOurs = 1;
  std::wstring step;
  const uint32_t result = MountWimImage(mount->strWimPath, mount->nImageIndex, folder, &step);
  if (result != 0) {
    const std::wstring where = Format(L"%s：%s（索引%d）挂载到%s", step, mount->strWimPath, mount->nImageIndex, folder);
    Note(out, WithPath(L"工具包挂载失败，没有工具可列出：", mount->strWimPath));
    Tell(progress, WithLogPlace(WithErrorText(Format(L"挂载工具包失败！错误代码：%d\n%s", static_cast<int>(result), where), result)), kError);
    return false;
  }
  mount->bMounted = 1;
  if (progress.Stopping()) return true;
  map_text::Head head;
  if (!map_text::ReadHead(Format(L"%s%s", folder, L"\\TOOLS.MAP"), kMapReadBytes, &head)) {
    Tell(progress, L"打开配置文件失败！", kError);
    return true;
  }
  ParseToolsMap(head, folder, out, progress);
  return true;
}

void MountToolPacks(std::wstring* mountRoot, MountList* mounts, const ToolsOut& out, Progress& progress) {
  const std::wstring systemDrive = GetSystemDrive();
  mounts->clear();
  // Without a system drive the mount folder would be relative to the current folder.
  if (systemDrive.empty()) return;
  *mountRoot = systemDrive + L"\\Rigmate";
  std::wstring wimPath;
  const bool found = TheSeam().IsWow64()
                         ? LocateFile(L"WEPE\\WEPE64.WIM", &wimPath) || LocateFile(L"WEPE\\WEPE32.WIM", &wimPath)
                         : LocateFile(L"WEPE\\WEPE32.WIM", &wimPath);
  if (!found) {
    const wchar_t* images = TheSeam().IsWow64() ? L"WEPE64.WIM或WEPE32.WIM" : L"WEPE32.WIM";
    Note(out, Format(L"找不到工具包%s，没有工具可列出。\n找过：%s和各磁盘根目录下的WEPE文件夹", images,
                     PathBesideProgram(L"WEPE")));
    return;
  }
  // An image that an earlier run left mounted (it crashed, was ended, or the session
  // ended under it) blocks both the folder's removal and a new mount: undone first.
  for (const wchar_t* title : {L"WEPE32", L"WEPE64"}) RemoveStaleMount(*mountRoot + L"\\" + title);
  _MOUNT mount;
  mount.strMountPath = *mountRoot + L"\\" + GetFileNamePart(wimPath, false);
  mount.strWimPath = wimPath;
  mounts->push_back(mount);
  for (_MOUNT& each : *mounts) {
    if (progress.Stopping()) break;
    PrepareAndMount(&each, out, progress);
  }
  out.refresh();
}

unsigned ToolsLoadThread(std::wstring* mountRoot, MountList* mounts, const ToolsOut& out, Progress& progress) {
  if (IsProcessRunning(L"PECMD.EXE"))
    LoadToolsMap(kPeMap, kPeBaseFolder, out, progress);
  else
    MountToolPacks(mountRoot, mounts, out, progress);
  return 0;
}

void CleanUpMounts(const MountList& mounts) {
  for (const _MOUNT& mount : mounts) {
    if (mount.bMounted == 1 && UnmountWimImage(mount.strMountPath) != 0) {
      ShowMessage(L"卸载工具包失败！", kError);
      return;
    }
    // A folder the user chose to keep is not ours to remove.
    if (!mount.bFolderOurs) continue;
    if (!DeletePath(mount.strMountPath)) ShowMessage(Format(L"移除文件失败！%s", mount.strMountPath), kError);
  }
}

bool InCategory(const _PROGRAM& program, const std::wstring& category) {
  return category == kAll || program.strCategory == category;
}

bool MatchesSearch(const _PROGRAM& program, const std::wstring& text) {
  return ContainsText(program.strName, text, false) || ContainsText(program.strCategory, text, false) ||
         ContainsText(program.strDescription, text, false);
}

}  // namespace tools_page
