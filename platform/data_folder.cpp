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
      L"\n没有它，本软件仍可以查看本机信息，并用您自己的镜像文件备份或还原分区。"
      L"一键装机、启动盘制作、使用教程、实用工具、驱动管理和必备软件要用到其中的文件，"
      L"在此之前这些页面的列表是空的，按钮会提示找不到文件。\n"
      L"\n数据文件夹Rigmate和本软件一起提供（在本软件的压缩包或装机U盘上）。"
      L"请把整个Rigmate文件夹放到本软件所在的文件夹，或任一分区的根目录（例如 D:\\Rigmate），"
      L"然后重新打开本软件。";
  return text;
}
