// rigmate-drive.exe: the driver for scripts (the run command and the benchmark).
//
//   rigmate-drive tour PROGRAM SHOT_DIR [--desktop NAME WIDTHxHEIGHT]
//       starts PROGRAM, shows each of its seven tabs in turn, saves SHOT_DIR/tab-N.png
//       of each (a host folder), prints the title and the tab captions, closes it.
//   rigmate-drive time-to-window PROGRAM
//       starts PROGRAM, prints the milliseconds until its first top-level window is
//       visible, and closes it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver/driver.h"

namespace {

void Print(const std::wstring& text) {
  std::string bytes = e2e::WideToUtf8(text + L"\n");
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
}

// Closes the program's main window and waits for its end; kills it if it hangs.
void Finish(e2e::Program& program, HWND main) {
  if (main) e2e::CloseWindow(main);
  if (!program.WaitForExit(10000)) {
    Print(L"rigmate-drive: the program did not end after its window was closed");
    program.Kill();
  }
}

// Waits until the program shows no dialog but its main window (a page's first
// loading may show a progress dialog for a moment). A message box that stays is
// left for the screenshot and answered afterwards.
std::vector<e2e::Box> SettledBoxes(DWORD pid, HWND main) {
  std::vector<e2e::Box> others;
  e2e::WaitUntil(
      [&] {
        others.clear();
        for (const e2e::Box& box : e2e::Boxes(pid))
          if (box.window != main) others.push_back(box);
        return others.empty();
      },
      5000, 50);
  return others;
}

int Tour(const std::wstring& program, const std::string& shotDir) {
  e2e::Program app;
  if (!app.Start(program)) {
    Print(L"rigmate-drive: cannot start " + program);
    return 2;
  }
  HWND main = e2e::WaitForMainWindow(app.id(), 60000);
  if (!main) {
    Print(L"rigmate-drive: no main window appeared");
    app.Kill();
    return 3;
  }
  Print(L"title: " + e2e::WindowText(main));
  HWND tab = GetDlgItem(main, 1000);
  int count = e2e::TabCount(tab);
  int status = count == 7 ? 0 : 4;
  for (int i = 0; i < count; ++i) {
    if (!e2e::SelectTab(tab, i)) {
      Print(L"rigmate-drive: tab " + std::to_wstring(i) + L" could not be selected");
      status = 5;
      continue;
    }
    std::vector<e2e::Box> boxes = SettledBoxes(app.id(), main);
    Sleep(400);  // let the page and its lists paint
    std::string shot = shotDir + "/tab-" + std::to_string(i) + ".png";
    bool saved = e2e::Screenshot(shot);
    Print(L"tab " + std::to_wstring(i) + L": " + e2e::TabCaption(tab, i) +
          (saved ? L"  -> " + e2e::Utf8ToWide(shot) : L"  (no screenshot)"));
    if (!saved) status = 6;
    for (const e2e::Box& box : boxes) {
      Print(L"  message: " + box.text);
      e2e::AnswerBox(box, IDOK);
    }
  }
  Finish(app, main);
  return status;
}

int TimeToWindow(const std::wstring& program) {
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  e2e::Program app;
  QueryPerformanceCounter(&start);
  if (!app.Start(program)) return 2;
  HWND shown = nullptr;
  e2e::WaitUntil(
      [&] {
        auto windows = e2e::TopLevelWindows(app.id(), nullptr, true);
        shown = windows.empty() ? nullptr : windows.front();
        return shown != nullptr;
      },
      60000, 2);
  QueryPerformanceCounter(&now);
  if (!shown) {
    app.Kill();
    return 3;
  }
  double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  Print(e2e::Utf8ToWide(text));
  Finish(app, shown);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  for (int i = 1; i + 2 < argc; ++i) {
    if (std::wstring(argv[i]) != L"--desktop") continue;
    int width = 1024, height = 768;
    swscanf(argv[i + 2], L"%dx%d", &width, &height);
    if (!e2e::UseDesktop(argv[i + 1], width, height)) {
      Print(L"rigmate-drive: cannot make the desktop");
      return 2;
    }
  }
  if (command == L"tour" && argc >= 4) return Tour(argv[2], e2e::WideToUtf8(argv[3]));
  if (command == L"time-to-window" && argc >= 3) return TimeToWindow(argv[2]);
  Print(L"usage: rigmate-drive tour PROGRAM SHOT_DIR [--desktop NAME WxH] | time-to-window PROGRAM");
  return 1;
}
