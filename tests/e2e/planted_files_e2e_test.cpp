// Files that another program may leave beside Rigmate.exe (a downloads folder) under
// the names of system DLLs never get loaded into it: what it imports, and what it loads.
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/fixture.h"

namespace {

// The DLL names of a program's import table, lower case.
std::vector<std::string> ImportedDlls(const std::wstring& program) {
  std::vector<std::string> names;
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!module) return names;
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       imports.VirtualAddress && entry->Name; ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    names.push_back(name);
  }
  FreeLibrary(module);
  return names;
}

class PlantedFiles : public RigmateE2E {};

// Windows resolves these from the system folder whatever lies beside a program: its
// known DLLs, and comctl32.dll, which the manifest binds to the side-by-side assembly.
TEST_F(PlantedFiles, TheProgramImportsOnlyDllsWindowsTakesFromTheSystemFolder) {
  const std::set<std::string> known = {"advapi32.dll", "comdlg32.dll", "gdi32.dll",  "imm32.dll",
                                       "kernel32.dll", "msvcrt.dll",   "ole32.dll",  "oleaut32.dll",
                                       "rpcrt4.dll",   "shell32.dll",  "shlwapi.dll", "user32.dll",
                                       "comctl32.dll"};
  for (const wchar_t* program : {L"\\..\\..\\Rigmate.exe", L"\\Rigmate-e2e.exe"}) {
    std::vector<std::string> imported = ImportedDlls(BuildFolder() + program);
    EXPECT_FALSE(imported.empty()) << e2e::WideToUtf8(program);
    for (const std::string& name : imported) EXPECT_TRUE(known.count(name)) << name << " in " << e2e::WideToUtf8(program);
  }
}

// With Windows' order for DLLs that are not known (the program's folder first) forced,
// the imaging library that a WIM restore loads comes from the system folder, not from
// beside the program. (Wine's own user32 and comctl32 import version.dll and uxtheme.dll,
// so under Wine those two are taken from beside any program before its first line runs.)
TEST_F(PlantedFiles, APlantedImagingLibraryBesideTheProgramIsNeverLoaded) {
  // The target is P:, a test drive that Windows lists: neither the image's nor the PE's.
  DescribeMachine("disk mbr 500G\n  part 1 100G letter=C: boot\n  part 2 200G letter=D:\n  part 3 200G letter=P:\n");
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed";
  WriteFile(L"drive-d\\install.wim", "not an image");
  std::string planted;
  ASSERT_TRUE(e2e::ReadFileBytes(PlantedPath(L"planted.dll"), &planted));
  WriteFile(L"program\\wimgapi.dll", planted);
  SetVariable(L"WINEDLLOVERRIDES", L"mscoree,mshtml=;winemenubuilder.exe=d;wimgapi=n,b");
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  StartStandIn(L"PECMD.EXE");

  DWORD code = 99;
  std::wstring console;
  ASSERT_TRUE(RunRigmate(L"/restore D:\\install.wim 1:3 /yes", &code, &console));
  EXPECT_NE(code, 0u) << "Wine's imaging library opens no image";
  // The library loaded (no "err = 126") and the restore got as far as opening the file.
  EXPECT_NE(console.find(L"打开WIM文件失败！错误代码："), std::wstring::npos) << e2e::WideToUtf8(console);
  EXPECT_NE(console.find(L"D:\\install.wim"), std::wstring::npos) << e2e::WideToUtf8(console);
  EXPECT_EQ(console.find(L"err = 126"), std::wstring::npos) << e2e::WideToUtf8(console);
  EXPECT_EQ(console.find(L"错误代码：126"), std::wstring::npos) << e2e::WideToUtf8(console);
  EXPECT_FALSE(e2e::ReadFileBytes(ProgramFolder() + L"\\wimgapi.dll.ran", &planted)) << "the planted DLL was loaded";

  // The planted DLL does mark a load: this test process loads it by its path.
  HMODULE loaded = LoadLibraryW((ProgramFolder() + L"\\wimgapi.dll").c_str());
  ASSERT_TRUE(loaded);
  FreeLibrary(loaded);
  EXPECT_TRUE(e2e::ReadFileBytes(ProgramFolder() + L"\\wimgapi.dll.ran", &planted));
}

}  // namespace
