// What the main page does, apart from its window: the system facts it shows, the
// quick-install image search, and the one-click actions (targets: restore_target.h).
#pragma once

#include <array>
#include <string>

namespace main_page {

constexpr int kQuickInstallCount = 7;

// The images of the quick-install buttons, relative to a search base.
extern const wchar_t* const kQuickInstallImages[kQuickInstallCount];

constexpr wchar_t kOneClickImage[] = L"D:\\RigmateBackup.GHO";
constexpr wchar_t kOneClickDrive[] = L"C:";

struct SystemFacts {
  std::wstring productName;
  std::wstring architecture;   // "64位" or "32位"
  std::wstring build;
  std::wstring installDate;
  std::wstring memory;         // "%.2f GB"
};

SystemFacts ReadSystemFacts();

using QuickInstallSlots = std::array<std::wstring, kQuickInstallCount>;

// For every index, the image beside the program, else in the first drive root that
// holds it, else empty.
QuickInstallSlots SearchQuickInstallImages();

// The button actions; each tells the user itself what went wrong.
void QuickInstall(int index, const std::wstring& slot);
void OneClickBackup();
void OneClickRestore();
void StartRemoteControl();

}  // namespace main_page
