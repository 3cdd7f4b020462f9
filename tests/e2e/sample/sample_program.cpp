// Stand-in for the installers, tools and viewers of the sample data folder: it says
// under which name and with which command line it was started, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = L"这是 Rigmate 示例数据中的替身程序，它不安装也不改变任何东西。\n\n程序：";
  text += path;
  text += L"\n命令行：";
  text += GetCommandLineW();
  MessageBoxW(nullptr, text.c_str(), L"Rigmate 示例程序", MB_OK | MB_ICONINFORMATION);
  return 0;
}
