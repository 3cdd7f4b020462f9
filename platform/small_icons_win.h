// The image lists of the shell's small icons (file types, drives) that the lists show.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Empty, for icons of the system's small-icon size, which grows with the screen's DPI
// (16 pixels at 100 %): the shell hands its small icons in that size, and a list of
// another size would shrink or blur them. 32-bit colour with mask.
inline HIMAGELIST CreateSmallIconList() {
  return ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK, 0, 0);
}
