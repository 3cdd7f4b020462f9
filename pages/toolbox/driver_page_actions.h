// What the drivers and runtimes page does, apart from its window: each button starts
// one installer of the data folder.
#pragma once

#include <cstddef>

namespace driver_page {

struct InstallerButton {
  int id;                 // the button's control ID
  const wchar_t* tail;    // the installer's path after "Rigmate"
};

constexpr size_t kButtonCount = 13;
extern const InstallerButton kButtons[kButtonCount];

// The tail of a button's installer, or nullptr for another control.
const wchar_t* TailOf(int id);

// Locates "Rigmate" + tail beside the program or at a drive root and starts it, not
// waited for; warns when it is found nowhere.
void StartInstaller(const wchar_t* tail);

}  // namespace driver_page
