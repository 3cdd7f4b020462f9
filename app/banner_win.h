// The banner above the tabs, drawn for the size the window has at the screen's DPI.
#pragma once

#include <windows.h>

// The banner of the dialog template (bitmap 149), drawn for 100 %.
constexpr int kBannerWidth = 522, kBannerHeight = 76;

// The banner for a window of this width at the screen's DPI: the drawing nearest to that
// width (100 %, 150 % or 200 %) scaled evenly to the whole width, at most maxHeight tall
// (what would reach lower is left out). Null when the resource cannot be read. The
// caller deletes it.
HBITMAP MakeBanner(HINSTANCE module, int width, int maxHeight);
