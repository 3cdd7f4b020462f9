// The data folder's search and the notice of a run without one.
#include "platform/data_folder.h"

#include "platform/disk.h"
#include "platform/seam.h"
#include "platform/system.h"

std::vector<std::wstring> DataFolderCandidates() {
  std::vector<std::wstring> candidates;
  const std::wstring module = GetModuleFolder();
  if (!module.empty()) candidates.push_back(module + L"\\Rigmate");
  for (const auto& logical : TheDisk().logicalDrives)
    if (!logical.letter.empty()) candidates.push_back(logical.letter + L"\\Rigmate");
  return candidates;
}

namespace {

// The parts of a data folder, as its notice names them.
const wchar_t* const kParts[] = {L"GHO", L"COURSE", L"SOFTWARE", L"DATA", L"TOOL", L"DRIVER_GENUS", L"DRIVER", L"RUNTIME"};

bool IsFolder(const std::wstring& path) {
  FileEntry entry;
  return TheSeam().FindFile(path, &entry) && entry.isFolder;
}

}  // namespace

std::wstring FindDataFolder() {
  // A folder "Rigmate" alone is not enough: the tool pack mounts its image below
  // C:\Rigmate, which then exists on any machine where it ran once.
  for (const std::wstring& candidate : DataFolderCandidates())
    for (const wchar_t* part : kParts)
      if (IsFolder(candidate + L"\\" + part)) return candidate;
  return std::wstring();
}

std::wstring NoDataFolderNotice(const std::vector<std::wstring>& lookedAt) {
  std::wstring text = L"找不到数据文件夹Rigmate，已在以下位置查找：\n";
  for (const std::wstring& place : lookedAt) text += place + L"\n";
  text +=
      L"\n请将数据文件夹Rigmate放到本软件目录下或者任一分区根目录下。它应包含：GHO（快速安装镜像）、"
      L"COURSE（视频教程和说明书）、SOFTWARE（必备软件）、DATA（启动盘制作工具）、TOOL（启动盘工具文件）、"
      L"DRIVER_GENUS和DRIVER（驱动）、RUNTIME（运行库）。\n"
      L"没有数据文件夹时各页面仍可使用，但其中的列表为空，按钮会提示找不到文件。";
  return text;
}
