// The end-to-end driver: program start, windows, tabs, input, message boxes, files
// and screenshots, all worked from outside the program under test.
#include "tests/e2e/driver/driver.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace e2e {
namespace {

std::wstring g_desktop;
int g_desktopWidth = 0, g_desktopHeight = 0;

// Memory inside another process, for the structures a control fills in.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  void* address() const { return address_; }
  bool Write(size_t offset, const void* data, size_t size) {
    return offset + size <= size_ &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
  }
  bool Read(size_t offset, void* data, size_t size) {
    return offset + size <= size_ &&
           ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  DWORD_PTR value = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &value))
    return false;
  if (result) *result = value;
  return true;
}

struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (search->processId && pid != search->processId) return TRUE;
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search->className && ClassOf(window) != search->className) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The environment block for CreateProcessW: ours, with the changes applied, sorted
// without regard to case as Windows keeps it.
std::vector<wchar_t> EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> variables;  // lower name -> (name, value)
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry = p;
      size_t equal = entry.find(L'=', 1);  // "=C:=C:\..." entries start with '='
      if (equal == std::wstring::npos) continue;
      std::wstring name = entry.substr(0, equal);
      variables[Lower(name)] = {name, entry.substr(equal + 1)};
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& change : changes) {
    if (change.second.empty()) variables.erase(Lower(change.first));
    else variables[Lower(change.first)] = change;
  }
  std::vector<wchar_t> out;
  for (const auto& entry : variables) {
    std::wstring line = entry.second.first + L"=" + entry.second.second;
    out.insert(out.end(), line.begin(), line.end());
    out.push_back(0);
  }
  out.push_back(0);
  return out;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& check, int timeoutMs, int stepMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (check()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return check();
    Sleep(static_cast<DWORD>(stepMs));
  }
}

bool UseDesktop(const std::wstring& name, int width, int height) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    std::wstring size = std::to_wstring(width) + L"x" + std::to_wstring(height);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                   static_cast<DWORD>((size.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  // The handle stays open for the life of the process: the desktop lives as long.
  HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desktop || !SetThreadDesktop(desktop)) return false;
  g_desktop = name;
  g_desktopWidth = width;
  g_desktopHeight = height;
  return true;
}

const std::wstring& CurrentDesktop() { return g_desktop; }

// ---- Program -----------------------------------------------------------------------

Program::~Program() {
  Kill();
  if (process_) CloseHandle(process_);
}

bool Program::Start(const std::wstring& exe, const std::wstring& folder,
                    const std::vector<std::pair<std::wstring, std::wstring>>& environment,
                    const std::wstring& arguments, const std::wstring& outputFile) {
  if (process_) {
    if (Running()) return false;
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
  }
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(0);
  std::vector<wchar_t> block = EnvironmentBlock(environment);
  std::wstring directory = folder.empty() ? FolderOf(exe) : folder;
  std::wstring desktop = g_desktop;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!desktop.empty()) startup.lpDesktop = &desktop[0];
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
  }
  PROCESS_INFORMATION info = {};
  BOOL started = CreateProcessW(exe.c_str(), writable.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                                CREATE_UNICODE_ENVIRONMENT, block.data(),
                                directory.empty() ? nullptr : directory.c_str(), &startup, &info);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (!started) return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(int timeoutMs, DWORD* exitCode) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (exitCode) *exitCode = code;
  return true;
}

void Program::Kill() {
  if (!Running()) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 10000);
}

// ---- Windows -------------------------------------------------------------------------

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!window || !SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length)) return L"";
  std::vector<wchar_t> buffer(length + 2);
  DWORD_PTR copied = 0;
  if (!SendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                       &copied))
    return L"";
  return std::wstring(buffer.data(), std::min<size_t>(copied, length + 1));
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? WindowText(item) : L"";
}

bool IsShown(HWND window) { return window && IsWindowVisible(window); }

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly) {
  WindowSearch search{processId, className, visibleOnly, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ChildrenInCreationOrder(HWND parent, const wchar_t* className) {
  std::vector<HWND> children;
  for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (!className || ClassOf(w) == className) children.push_back(w);
  // Child windows are linked in at the bottom of their siblings: z-order from the top
  // is creation order.
  return children;
}

HWND FindMainWindow(DWORD processId) {
  for (HWND window : TopLevelWindows(processId, L"#32770", true)) {
    HWND tab = GetDlgItem(window, 1000);
    if (tab && ClassOf(tab) == WC_TABCONTROLW) return window;
  }
  return nullptr;
}

HWND WaitForMainWindow(DWORD processId, int timeoutMs) {
  HWND found = nullptr;
  if (!WaitUntil([&] { return (found = FindMainWindow(processId)) != nullptr; }, timeoutMs)) return found;
  // The window shows with its first page; the other six pages and the main page's
  // tooltips follow once it has been painted.
  HWND tab = GetDlgItem(found, 1000);
  WaitUntil(
      [&] {
        return ChildrenInCreationOrder(tab, L"#32770").size() == 7 &&
               !TopLevelWindows(processId, TOOLTIPS_CLASSW, false).empty();
      },
      5000);
  return found;
}

// ---- Tabs ------------------------------------------------------------------------------

int TabCount(HWND tab) {
  DWORD_PTR count = 0;
  return SendWithTimeout(tab, TCM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : -1;
}

int TabSelection(HWND tab) {
  DWORD_PTR index = 0;
  return SendWithTimeout(tab, TCM_GETCURSEL, 0, 0, &index) ? static_cast<int>(static_cast<INT_PTR>(index))
                                                           : -1;
}

std::wstring TabCaption(HWND tab, int index) {
  constexpr int kChars = 256;
  RemoteBlock block(tab, sizeof(TCITEMW) + kChars * sizeof(wchar_t));
  if (!block.ok()) return L"";
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(block.address()) + sizeof(TCITEMW));
  item.cchTextMax = kChars;
  wchar_t empty = 0;
  DWORD_PTR ok = 0;
  if (!block.Write(0, &item, sizeof item) || !block.Write(sizeof item, &empty, sizeof empty) ||
      !SendWithTimeout(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(block.address()), &ok) || !ok)
    return L"";
  // The control may point pszText at its own copy instead of filling our buffer.
  TCITEMW filled = {};
  block.Read(0, &filled, sizeof filled);
  wchar_t text[kChars] = {};
  if (filled.pszText == item.pszText) {
    block.Read(sizeof item, text, sizeof text);
  } else {
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    if (process) {
      ReadProcessMemory(process, filled.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
      CloseHandle(process);
    }
  }
  text[kChars - 1] = 0;
  return text;
}

bool SelectTab(HWND tab, int index, int timeoutMs) {
  if (TabSelection(tab) == index) return true;
  RemoteBlock block(tab, sizeof(RECT));
  RECT rect = {};
  DWORD_PTR ok = 0;
  if (!block.ok() ||
      !SendWithTimeout(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(block.address()), &ok) ||
      !ok || !block.Read(0, &rect, sizeof rect))
    return false;
  LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(tab, WM_LBUTTONUP, 0, point);
  return WaitUntil([&] { return TabSelection(tab) == index; }, timeoutMs);
}

bool TabDisplayArea(HWND tab, RECT* area) {
  RemoteBlock block(tab, sizeof(RECT));
  RECT rect = {};
  GetClientRect(tab, &rect);
  return block.ok() && block.Write(0, &rect, sizeof rect) &&
         SendWithTimeout(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(block.address()), nullptr) &&
         block.Read(0, area, sizeof *area);
}

// ---- Lists -----------------------------------------------------------------------------

int ListStringWidth(HWND list, const std::wstring& text) {
  size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  RemoteBlock block(list, bytes);
  DWORD_PTR width = 0;
  if (!block.ok() || !block.Write(0, text.c_str(), bytes) ||
      !SendWithTimeout(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(block.address()), &width))
    return -1;
  return static_cast<int>(width);
}

// ---- Tooltips --------------------------------------------------------------------------

std::wstring ToolTipText(DWORD processId, HWND tool) {
  constexpr size_t kChars = 1024;   // the most a tooltip hands out (INFOTIPSIZE)
  for (HWND toolTip : TopLevelWindows(processId, TOOLTIPS_CLASSW, false)) {
    RemoteBlock block(toolTip, sizeof(TTTOOLINFOW) + (kChars + 1) * sizeof(wchar_t));
    if (!block.ok()) continue;
    TTTOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = reinterpret_cast<wchar_t*>(static_cast<char*>(block.address()) + sizeof info);
    std::vector<wchar_t> text(kChars + 1, L'\0');
    if (!block.Write(0, &info, sizeof info) || !block.Write(sizeof info, text.data(), text.size() * sizeof(wchar_t)) ||
        !SendWithTimeout(toolTip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(block.address()), nullptr) ||
        !block.Read(sizeof info, text.data(), kChars * sizeof(wchar_t)))
      continue;
    if (text[0]) return text.data();
  }
  return L"";
}

// ---- Input ---------------------------------------------------------------------------

bool ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool PostKey(HWND window, UINT virtualKey) {
  UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  return PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16)) &&
         PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

bool PostSysCommand(HWND window, WPARAM command) {
  return PostMessageW(window, WM_SYSCOMMAND, command, 0);
}

bool CloseWindow(HWND window) { return PostMessageW(window, WM_CLOSE, 0, 0); }

// ---- Message boxes -----------------------------------------------------------------------

std::vector<Box> Boxes(DWORD processId) {
  std::vector<Box> boxes;
  for (HWND window : TopLevelWindows(processId, L"#32770", true)) {
    Box box;
    box.window = window;
    box.caption = WindowText(window);
    box.text = ItemText(window, 0xFFFF);
    boxes.push_back(box);
  }
  return boxes;
}

bool WaitForBox(DWORD processId, const std::wstring& part, Box* found, int timeoutMs) {
  return WaitUntil(
      [&] {
        for (const Box& box : Boxes(processId)) {
          if (box.text.empty() && !part.empty()) continue;
          if (part.empty() ? !box.text.empty() : box.text.find(part) != std::wstring::npos) {
            if (found) *found = box;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
}

int DefaultButton(const Box& box) {
  for (HWND child : ChildrenInCreationOrder(box.window, L"Button"))
    if ((GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return GetDlgCtrlID(child);
  return 0;
}

bool AnswerBox(const Box& box, int buttonId, int timeoutMs) {
  HWND button = GetDlgItem(box.window, buttonId);
  if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                    reinterpret_cast<LPARAM>(button)))
    return false;
  return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeoutMs);
}

// ---- Files ---------------------------------------------------------------------------------

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find(L'\n', start), text.size());
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return L"";
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length);
  return out;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return "";
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr,
                      nullptr);
  return out;
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
  using ToDos = wchar_t* (CDECL*)(const char*);
  auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (toDos) {
    if (wchar_t* dos = toDos(unixPath.c_str())) {
      std::wstring out = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return out;
    }
  }
  std::wstring out = L"Z:" + Utf8ToWide(unixPath);
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

std::string WindowsToUnixPath(const std::wstring& path) {
  using ToUnix = char* (CDECL*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return "";
  char* unixPath = toUnix(path.c_str());
  if (!unixPath) return "";
  std::string out = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return out;
}

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[16384];
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
    bytes->append(buffer, read);
  CloseHandle(file);
  return ok;
}

// ---- The host --------------------------------------------------------------------------------

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

}  // namespace

// Wine gives no way to wait for a host process, so the script's last act is to rename
// its output file: its appearance means the script has ended. Script and output live in
// the host's /tmp, which no drive mapping of a test touches.
bool RunHost(const std::string& script, std::string* output, int timeoutMs) {
  static LONG counter = 0;
  std::string base = "/tmp/rigmate-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(InterlockedIncrement(&counter));
  std::wstring scriptPath = UnixToWindowsPath(base + ".sh");
  std::wstring donePath = UnixToWindowsPath(base + ".out");
  std::string text = "exec > " + Quoted(base + ".part") + " 2>&1\n" + script + "\nmv " + Quoted(base + ".part") +
                     " " + Quoted(base + ".out") + "\n";
  if (!WriteBytes(scriptPath, text)) return false;
  std::wstring commandLine = Utf8ToWide("/bin/sh " + base + ".sh");
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  bool done = false;
  if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    done = WaitUntil([&] { return GetFileAttributesW(donePath.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs, 20);
    if (done && output) ReadFileBytes(donePath, output);
  }
  DeleteFileW(donePath.c_str());
  DeleteFileW(scriptPath.c_str());
  return done;
}

bool Screenshot(const std::string& unixPngPath, int timeoutMs) {
  // A virtual desktop lies at the top left of the X screen: the picture keeps only it.
  std::string crop;
  if (g_desktopWidth > 0)
    crop = " -crop " + std::to_string(g_desktopWidth) + "x" + std::to_string(g_desktopHeight) + "+0+0 +repage";
  std::string part = unixPngPath + ".part";
  return RunHost("import -window root" + crop + " " + Quoted("png:" + part) + " && mv " + Quoted(part) + " " +
                     Quoted(unixPngPath),
                 nullptr, timeoutMs) &&
         GetFileAttributesW(UnixToWindowsPath(unixPngPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace e2e
