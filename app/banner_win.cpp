// The banner scaled to the window's width: no grey band beside it at any DPI.
#include "app/banner_win.h"

#include <cstdlib>

#include "resources/resource.h"

namespace {

struct Art {
  int id, width, height;
};
constexpr Art kArt[] = {{IDB_BANNER, kBannerWidth, kBannerHeight}, {IDB_BANNER_150, 783, 114}, {IDB_BANNER_200, 1044, 152}};

const Art& NearestArt(int width) {
  const Art* best = &kArt[0];
  for (const Art& each : kArt)
    if (std::abs(each.width - width) < std::abs(best->width - width)) best = &each;
  return *best;
}

}  // namespace

HBITMAP MakeBanner(HINSTANCE module, int width, int maxHeight) {
  if (width <= 0 || maxHeight <= 0) return nullptr;
  const Art& art = NearestArt(width);
  HBITMAP source = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(art.id), IMAGE_BITMAP, 0, 0, 0));
  if (!source) return nullptr;
  // Even scaling keeps the drawing's proportions; a picture area too low for them takes
  // the drawing's upper part.
  int height = static_cast<int>((static_cast<long long>(art.height) * width + art.width / 2) / art.width);
  int sourceHeight = art.height;
  if (height > maxHeight) {
    height = maxHeight;
    sourceHeight = static_cast<int>(static_cast<long long>(art.width) * maxHeight / width);
  }
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  HBITMAP banner = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, banner);
  SetStretchBltMode(to, HALFTONE);
  SetBrushOrgEx(to, 0, 0, nullptr);
  StretchBlt(to, 0, 0, width, height, from, 0, 0, art.width, sourceHeight, SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  DeleteObject(source);
  return banner;
}
