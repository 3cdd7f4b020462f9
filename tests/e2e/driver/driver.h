// The end-to-end driver: starts a program of ours under Wine and works its windows
// from outside, as a user would (tabs, buttons, keys, message boxes, screenshots).
//
// Everything here crosses a process boundary: texts travel with WM_GETTEXT, which
// Windows copies between processes; structures that a control fills (tab items and
// their rectangles) are placed in the target's own memory. Clicks and keys are
// posted, never sent, so that a message box opened by the click cannot block us.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

constexpr int kDefaultTimeoutMs = 20000;

// Runs check every stepMs until it holds or timeoutMs has passed; true if it held.
bool WaitUntil(const std::function<bool()>& check, int timeoutMs = kDefaultTimeoutMs,
               int stepMs = 20);

// Makes a desktop of its own for the programs we start and attaches the calling
// thread to it (the thread must not own windows yet). Under Wine a named desktop
// with a size in HKCU\Software\Wine\Explorer\Desktops becomes a virtual desktop,
// whose window manager draws frames and captions, so screenshots show them.
bool UseDesktop(const std::wstring& name, int width, int height);
// The desktop chosen by UseDesktop, or empty.
const std::wstring& CurrentDesktop();

// A program under test. Started on the current desktop; ended with it.
class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts exe in folder (empty: the exe's folder) with these variables added to our
  // own environment (an empty value removes the variable). A program that has ended may
  // be started again (a second run of the same test). With outputFile, its standard
  // output and error go into that file (created anew).
  bool Start(const std::wstring& exe, const std::wstring& folder = L"",
             const std::vector<std::pair<std::wstring, std::wstring>>& environment = {},
             const std::wstring& arguments = L"", const std::wstring& outputFile = L"");
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  bool Running() const;
  // True and the exit code once the program has ended within timeoutMs.
  bool WaitForExit(int timeoutMs, DWORD* exitCode = nullptr);
  // Ends the program if it still runs (a test that failed half-way).
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// ---- Windows ---------------------------------------------------------------------
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
bool IsShown(HWND window);  // visible, with all its parents
// Top-level windows of a process (any process when processId is 0), optionally of
// one window class; only visible ones when visibleOnly.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly);
// The child windows of a parent, in the order they were created.
std::vector<HWND> ChildrenInCreationOrder(HWND parent, const wchar_t* className = nullptr);

// The program's main window: a visible dialog holding the tab control 1000.
HWND FindMainWindow(DWORD processId);
// The main window once shown, after its start has finished (all seven pages made, the
// main page's tooltips there; waited for at most five seconds more).
HWND WaitForMainWindow(DWORD processId, int timeoutMs = kDefaultTimeoutMs);

// ---- Tabs ------------------------------------------------------------------------
int TabCount(HWND tab);
int TabSelection(HWND tab);
std::wstring TabCaption(HWND tab, int index);
// Clicks the tab item; true once the control reports it selected.
bool SelectTab(HWND tab, int index, int timeoutMs = 5000);
// The display area below the row of tabs as the control reports it (TCM_ADJUSTRECT of
// its client rectangle), in its client coordinates.
bool TabDisplayArea(HWND tab, RECT* area);

// ---- Lists -------------------------------------------------------------------------
// The width in pixels of a text in the list view's font (LVM_GETSTRINGWIDTH), or -1.
int ListStringWidth(HWND list, const std::wstring& text);

// ---- Tooltips ----------------------------------------------------------------------
// The text that a tooltip control of the process shows for the window tool (a tool
// added with TTF_IDISHWND), read through a buffer in the process; empty when no
// tooltip control of the process knows the window.
std::wstring ToolTipText(DWORD processId, HWND tool);

// ---- Input -----------------------------------------------------------------------
bool ClickButton(HWND dialog, int id);      // BM_CLICK, posted
bool PostKey(HWND window, UINT virtualKey);  // WM_KEYDOWN and WM_KEYUP
bool PostSysCommand(HWND window, WPARAM command);
bool CloseWindow(HWND window);               // WM_CLOSE, posted

// ---- Message boxes -----------------------------------------------------------------
struct Box {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;  // the static text 0xFFFF of a message box
};
// The visible dialogs (#32770) of a process, with their message-box texts.
std::vector<Box> Boxes(DWORD processId);
// Waits for a box of the process whose text contains part (empty: any box).
bool WaitForBox(DWORD processId, const std::wstring& part, Box* found,
                int timeoutMs = kDefaultTimeoutMs);
// The ID of the box's default button (the one Enter presses), or 0.
int DefaultButton(const Box& box);
// Presses the box's button (IDOK, IDYES, IDNO, IDCANCEL…); true once the box is gone.
bool AnswerBox(const Box& box, int buttonId, int timeoutMs = 5000);

// ---- Files -------------------------------------------------------------------------
std::wstring UnixToWindowsPath(const std::string& unixPath);
std::string WindowsToUnixPath(const std::wstring& path);
bool ReadFileBytes(const std::wstring& path, std::string* bytes);
std::wstring Utf8ToWide(const std::string& text);
// The lines of a text, each without its CR LF or LF.
std::vector<std::wstring> SplitLines(const std::wstring& text);
std::string WideToUtf8(const std::wstring& text);

// ---- The host ----------------------------------------------------------------------
// Runs a host shell script (Wine starts host programs) and waits for its end; its
// output (stdout and stderr) when asked for. False if it did not end in time.
bool RunHost(const std::string& script, std::string* output = nullptr, int timeoutMs = 15000);
// Saves the X screen as PNG at a host path through ImageMagick (only the virtual desktop
// when UseDesktop made one); true once the file is complete.
bool Screenshot(const std::string& unixPngPath, int timeoutMs = 15000);

}  // namespace e2e
