// The tutorials page's actions: the video map and the manual.
#include "pages/toolbox/course_page_actions.h"

#include <algorithm>

#include "pages/toolbox/map_text.h"
#include "platform/format.h"
#include "platform/message_text.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace course_page {

namespace {

constexpr wchar_t kEndOfText = 0x1A;   // Ctrl+Z: a text-mode read ends there

bool IsSeparator(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

bool Fits(const std::wstring& token, size_t limit) {
  return token.find(L'\0') == std::wstring::npos && map_text::AnsiLength(token) <= limit;
}

}  // namespace

std::vector<MapPair> SplitVideoMap(const std::wstring& text) {
  const size_t end = std::min(text.find(kEndOfText), text.size());
  std::vector<std::wstring> tokens;
  size_t at = 0;
  while (at < end) {
    while (at < end && IsSeparator(text[at])) ++at;
    size_t start = at;
    while (at < end && !IsSeparator(text[at])) ++at;
    if (at > start) tokens.emplace_back(text, start, at - start);
  }
  std::vector<MapPair> pairs;
  for (size_t i = 0; i < tokens.size(); i += 2) {
    MapPair pair{tokens[i], i + 1 < tokens.size() ? tokens[i + 1] : std::wstring()};
    if (Fits(pair.name, kNameBytes) && Fits(pair.description, kDescriptionBytes))
      pairs.push_back(std::move(pair));
  }
  return pairs;
}

VideoList LoadVideoMap(std::wstring* note) {
  VideoList videos;
  note->clear();
  std::wstring map;
  if (!LocateFile(kVideoMap, &map)) {
    *note = L"找不到视频教程列表VIDEO_MAP，没有视频可列出。\n找过：" + PathBesideProgram(kVideoMap) +
            L"和各磁盘根目录下的同一路径";
    return videos;
  }
  std::string bytes;
  if (!TheSeam().ReadWholeFile(map, &bytes)) {
    *note = WithPath(L"无法读取视频教程列表，没有视频可列出：", map);
    ShowMessage(L"打开配置文件失败！", mbox::Ok | mbox::IconExclamation);
    return videos;
  }
  const std::wstring folder = GetParentFolder(map);
  std::wstring missing;
  int missingCount = 0;
  for (MapPair& pair : SplitVideoMap(map_text::Decode(bytes))) {
    _VIDEO video;
    video.name = std::move(pair.name);
    video.path = Format(L"%s\\%s", folder, video.name);
    if (!PathExists(video.path)) {
      // The note has two lines: the first few names tell the technician what to look at.
      if (missingCount < 4) missing += (missingCount ? L"、" : L"") + video.name;
      else if (missingCount == 4) missing += L"等";
      ++missingCount;
      continue;
    }
    video.description = std::move(pair.description);
    videos.push_back(std::move(video));
  }
  if (missingCount > 0)
    *note = Format(L"VIDEO_MAP列出的%d个视频不在%s中，没有列出：%s", missingCount, folder, missing);
  return videos;
}

void OpenManual() {
  std::wstring reader, manual;
  if (!LocateFile(kReader, &reader)) {
    ShowMessage(WithPath(L"找不到说用说明书阅读器！", PathBesideProgram(kReader)), mbox::Ok | mbox::IconExclamation);
    return;
  }
  if (!LocateFile(kManual, &manual)) {
    ShowMessage(WithPath(L"找不到说明书存档！", PathBesideProgram(kManual)), mbox::Ok | mbox::IconExclamation);
    return;
  }
  RunProgram(reader, Format(L"%s \"%s\"", L"PDF阅读器.exe", manual), false, true);
}

std::wstring ShellOpenFailure(const std::wstring& path, intptr_t result) {
  constexpr intptr_t kFileNotFound = 2, kPathNotFound = 3, kAssociationIncomplete = 27, kNoAssociation = 31;
  if (result > 32) return std::wstring();
  if (result == kNoAssociation || result == kAssociationIncomplete)
    return WithPath(L"无法打开教程视频：本机没有能播放这种文件的程序，请先安装一个视频播放器。", path);
  if (result == kFileNotFound || result == kPathNotFound) return WithPath(L"无法打开教程视频：文件已不存在。", path);
  return WithErrorText(WithPath(L"无法打开教程视频。", path), static_cast<uint32_t>(result));
}

}  // namespace course_page
