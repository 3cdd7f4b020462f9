// Resource numbers of the image search dialog and the WIM image chooser.
#pragma once

#define IDD_SEARCH_GHO          157
#define IDD_SELECT_IMAGE        158

// Image search dialog
#define IDC_SEARCH_START        3      // "搜索"
#define IDC_SEARCH_FOUND        1017   // the found paths
#define IDC_SEARCH_DEPTH        1058
// The image-path box of the backup and restore page, which a double-click fills.
#define IDC_SEARCH_TARGET_PATH  1016

// WIM image chooser
#define IDC_SELECT_IMAGE_LIST   1017
