// The tutorials page's actions: the video map and the manual.
#include "pages/toolbox/course_page_actions.h"

#include <algorithm>

#include "platform/format.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace course_page {

namespace {

constexpr char kEndOfText = 0x1A;   // Ctrl+Z: a text-mode read ends there

bool IsSeparator(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool Fits(const std::string& token, size_t limit) {
  return token.size() <= limit && token.find('\0') == std::string::npos;
}

}  // namespace

std::vector<MapPair> SplitVideoMap(const std::string& bytes) {
  const size_t end = std::min(bytes.find(kEndOfText), bytes.size());
  std::vector<std::string> tokens;
  size_t at = 0;
  while (at < end) {
    while (at < end && IsSeparator(bytes[at])) ++at;
    size_t start = at;
    while (at < end && !IsSeparator(bytes[at])) ++at;
    if (at > start) tokens.emplace_back(bytes, start, at - start);
  }
  std::vector<MapPair> pairs;
  for (size_t i = 0; i < tokens.size(); i += 2) {
    MapPair pair{tokens[i], i + 1 < tokens.size() ? tokens[i + 1] : std::string()};
    if (Fits(pair.name, kNameBytes) && Fits(pair.description, kDescriptionBytes))
      pairs.push_back(std::move(pair));
  }
  return pairs;
}

VideoList LoadVideoMap() {
  VideoList videos;
  std::wstring map;
  if (!LocateFile(kVideoMap, &map)) return videos;
  std::string bytes;
  if (!TheSeam().ReadWholeFile(map, &bytes)) {
    ShowMessage(L"打开配置文件失败！", mbox::Ok | mbox::IconExclamation);
    return videos;
  }
  const std::wstring folder = GetParentFolder(map);
  for (const MapPair& pair : SplitVideoMap(bytes)) {
    _VIDEO video;
    video.name = TheSeam().AnsiToWide(pair.name);
    if (video.name.empty()) continue;   // bytes the code page cannot convert
    video.path = Format(L"%s\\%s", folder, video.name);
    if (!PathExists(video.path)) continue;
    video.description = TheSeam().AnsiToWide(pair.description);
    videos.push_back(std::move(video));
  }
  return videos;
}

void OpenManual() {
  std::wstring reader, manual;
  if (!LocateFile(kReader, &reader)) {
    ShowMessage(L"找不到说用说明书阅读器！", mbox::Ok | mbox::IconExclamation);
    return;
  }
  if (!LocateFile(kManual, &manual)) {
    ShowMessage(L"找不到说明书存档！", mbox::Ok | mbox::IconExclamation);
    return;
  }
  RunProgram(reader, Format(L"%s \"%s\"", L"PDF阅读器.exe", manual), false, true);
}

}  // namespace course_page
