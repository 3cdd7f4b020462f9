// The end-to-end fixture: folders, machine description, drive letters, stand-ins, the
// program on its virtual desktop, screenshots and the clean-up.
#include "tests/e2e/fixture.h"

#include <shellapi.h>

#include <algorithm>
#include <cwctype>

namespace {

constexpr wchar_t kDesktop[] = L"rigmate-e2e";
constexpr int kDesktopWidth = 1024, kDesktopHeight = 768;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[4096] = {};
  DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? value : L"";
}

std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  return e2e::Utf8ToWide(name);
}

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

// Removes a folder of a test on the host side: rm does not follow links, and the folder
// standing in for C: holds links to the entries of the prefix's own C: drive.
void RemoveTree(const std::wstring& path) {
  std::string unixPath = e2e::WindowsToUnixPath(path);
  if (!unixPath.empty() && unixPath != "/") e2e::RunHost("rm -rf '" + unixPath + "'");
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool DriveListed(wchar_t letter) {
  wchar_t drives[256] = {};
  GetLogicalDriveStringsW(255, drives);
  for (const wchar_t* d = drives; *d; d += wcslen(d) + 1)
    if (towupper(*d) == letter) return true;
  return false;
}

}  // namespace

std::wstring RigmateE2E::BuildFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

void RigmateE2E::SetUpTestSuite() {
  if (e2e::CurrentDesktop().empty()) e2e::UseDesktop(kDesktop, kDesktopWidth, kDesktopHeight);
}

void RigmateE2E::SetUp() {
  // Outside every drive a test maps (the build folder, through Z:), so that C: can stand
  // on a folder of the test.
  std::wstring root = Variable(L"RIGMATE_E2E_OUT");
  if (root.empty()) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root = std::wstring(temp) + L"rigmate-e2e";
  } else {
    root = e2e::UnixToWindowsPath(e2e::WideToUtf8(root) + "/work");
  }
  folder_ = root + L"\\" + TestName();
  RemoveTree(folder_);
  MakeFolders(folder_);
}

void RigmateE2E::TearDown() {
  if (HasFailure() && app_.Running()) Shot("failed");
  // The program first, closing whatever it still shows, then the stand-ins.
  if (app_.Running()) {
    for (const e2e::Box& box : e2e::Boxes(app_.id()))
      if (box.window != main_) e2e::CloseWindow(box.window);
    if (main_) e2e::CloseWindow(main_);
    if (!app_.WaitForExit(10000)) app_.Kill();
  }
  for (auto& standIn : standIns_) standIn->Kill();
  standIns_.clear();
  std::string restore;
  for (auto mapped = drivesMapped_.rbegin(); mapped != drivesMapped_.rend(); ++mapped)
    restore += "ln -sfn " + Quoted(mapped->second) + " " + Quoted(e2e::WideToUtf8(mapped->first)) + "\n";
  if (!restore.empty()) {
    EXPECT_TRUE(e2e::RunHost(restore)) << "drive letters not given back";
  }
  drivesMapped_.clear();
  if (!HasFailure()) {
    RemoveTree(folder_);
  } else if (!systemDriveFolder_.empty()) {
    // The folder stays for a look, without its links into the real C:.
    e2e::RunHost("find '" + systemDriveFolder_ + "' -mindepth 1 -maxdepth 1 -type l -delete");
  }
  systemDriveFolder_.clear();
}

void RigmateE2E::WriteFile(const std::wstring& relative, const std::string& bytes) {
  std::wstring path = InFolder(relative);
  MakeFolders(path.substr(0, path.find_last_of(L'\\')));
  EXPECT_TRUE(WriteBytes(path, bytes)) << e2e::WideToUtf8(path);
}

void RigmateE2E::DescribeMachine(const std::string& description) {
  WriteFile(L"machine.txt", description);
  machineFile_ = InFolder(L"machine.txt");
}

bool RigmateE2E::MapDrive(wchar_t letter, const std::wstring& relativeFolder) {
  letter = static_cast<wchar_t>(towupper(letter));
  if (letter == L'C' && TestName().find(L"OnSystemDrive") == std::wstring::npos) {
    ADD_FAILURE() << "C: is mapped only by suites derived from RigmateE2EOnSystemDrive, which run alone";
    return false;
  }
  if (!DriveListed(letter)) return false;
  std::string prefix = e2e::WideToUtf8(Variable(L"WINEPREFIX"));
  EXPECT_FALSE(prefix.empty()) << "WINEPREFIX is not set";
  if (prefix.empty()) return false;
  std::wstring target = InFolder(relativeFolder);
  MakeFolders(target);
  std::string unixTarget = e2e::WindowsToUnixPath(target);
  std::string link = prefix + "/dosdevices/" + static_cast<char>(towlower(letter)) + ":";

  std::string former;
  if (!e2e::RunHost("readlink -f " + Quoted(link), &former)) return false;
  while (!former.empty() && (former.back() == '\n' || former.back() == '\r')) former.pop_back();
  if (former.empty()) return false;
  std::string script;
  if (letter == L'C') {
    script = "find " + Quoted(former) + " -mindepth 1 -maxdepth 1 -exec ln -s {} " + Quoted(unixTarget) + "/ ';'\n";
    // The system drive of Windows 7 holds its boot store in \boot, where bcdedit exports it.
    script += "mkdir -p " + Quoted(unixTarget + "/boot") + "\n";
    systemDriveFolder_ = unixTarget;
  }
  script += "ln -sfn " + Quoted(unixTarget) + " " + Quoted(link) + "\n";
  if (!e2e::RunHost(script)) return false;
  drivesMapped_.push_back({e2e::Utf8ToWide(link), former});
  return true;
}

void RigmateE2E::SetVariable(const std::wstring& name, const std::wstring& value) {
  variables_.push_back({name, value});
}

void RigmateE2E::PlaceStandIn(const std::wstring& fullPath) {
  MakeFolders(fullPath.substr(0, fullPath.find_last_of(L'\\')));
  EXPECT_TRUE(CopyFileW(StandinPath().c_str(), fullPath.c_str(), FALSE))
      << "no stand-in at " << e2e::WideToUtf8(StandinPath());
}

void RigmateE2E::PlaceSystemStandIn(const std::wstring& name) {
  const Environment::value_type folder{L"RIGMATE_SIM_SYSTEM_FOLDER", systemFolder_};
  if (std::find(variables_.begin(), variables_.end(), folder) == variables_.end()) variables_.push_back(folder);
  PlaceStandIn(systemFolder_ + L"\\" + name);
}

e2e::Program& RigmateE2E::StartStandIn(const std::wstring& fileName, const Environment& extra) {
  std::wstring path = InFolder(fileName);
  PlaceStandIn(path);
  Environment environment = variables_;
  environment.push_back({L"RIGMATE_STANDIN_LOG", StandInLogPath()});
  environment.insert(environment.end(), extra.begin(), extra.end());
  standIns_.push_back(std::make_unique<e2e::Program>());
  EXPECT_TRUE(standIns_.back()->Start(path, folder_, environment)) << e2e::WideToUtf8(path);
  return *standIns_.back();
}

std::vector<StandinRecord> RigmateE2E::StandInStarts() const { return ReadStandinLog(StandInLogPath()); }

bool RigmateE2E::PlaceProgram(const std::wstring& build, std::wstring* exe, Environment* environment) {
  *environment = variables_;
  if (!machineFile_.empty()) environment->push_back({L"RIGMATE_SIM_MACHINE", machineFile_});
  environment->push_back({L"RIGMATE_SIM_RECORD", InFolder(L"record.txt")});
  *exe = ProgramFolder() + L"\\Rigmate.exe";
  MakeFolders(ProgramFolder());
  if (dataFolder_) MakeFolders(ProgramFolder() + L"\\Rigmate\\GHO");
  if (!CopyFileW((BuildFolder() + L"\\" + build).c_str(), exe->c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << e2e::WideToUtf8(build) << " to " << e2e::WideToUtf8(*exe);
    return false;
  }
  return true;
}

bool RigmateE2E::RunRigmate(const std::wstring& arguments, DWORD* exitCode, std::wstring* output,
                            const std::wstring& build) {
  Environment environment;
  std::wstring exe;
  if (!PlaceProgram(build, &exe, &environment)) return false;
  // A file per run: Wine may still hold the last run's for a moment.
  static int runs = 0;
  std::wstring outputFile = InFolder(L"output-" + std::to_wstring(++runs) + L".txt");
  if (!app_.Start(exe, runFolder_, environment, arguments, outputFile)) {
    ADD_FAILURE() << "cannot start " << e2e::WideToUtf8(exe);
    return false;
  }
  if (!app_.WaitForExit(60000, exitCode)) {
    ADD_FAILURE() << "the job did not end within a minute";
    return false;
  }
  std::string bytes;
  e2e::ReadFileBytes(outputFile, &bytes);
  output->clear();
  int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length > 0) {
    output->resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &(*output)[0], length);
  }
  return true;
}

// The program runs one copy at a time: a copy of the last test that is still ending
// would make this one step aside. Waits until no copy holds the claim.
static void WaitForNoOtherCopy() {
  for (int waited = 0; waited < 20000; waited += 100) {
    HANDLE claim = OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\Rigmate.OneCopy");
    if (!claim) return;
    CloseHandle(claim);
    Sleep(100);
  }
}

bool RigmateE2E::StartRigmate(const std::wstring& build) {
  Environment environment;
  std::wstring exe;
  if (!PlaceProgram(build, &exe, &environment)) return false;
  WaitForNoOtherCopy();
  if (!app_.Start(exe, L"", environment)) {
    ADD_FAILURE() << "cannot start " << e2e::WideToUtf8(exe);
    return false;
  }
  main_ = e2e::WaitForMainWindow(app_.id(), 60000);
  if (!main_) {
    ADD_FAILURE() << "no main window appeared";
    return false;
  }
  tab_ = GetDlgItem(main_, 1000);
  return true;
}

std::vector<HWND> RigmateE2E::Pages() const { return e2e::ChildrenInCreationOrder(tab_, L"#32770"); }

std::vector<std::wstring> RigmateE2E::Recorded() const {
  std::string bytes;
  if (!e2e::ReadFileBytes(InFolder(L"record.txt"), &bytes)) return {};
  return e2e::SplitLines(e2e::Utf8ToWide(bytes));
}

void RigmateE2E::Shot(const std::string& name) {
  std::wstring out = Variable(L"RIGMATE_E2E_OUT");
  if (out.empty()) return;
  std::string unixFolder = e2e::WideToUtf8(out) + "/shots";
  MakeFolders(e2e::UnixToWindowsPath(unixFolder));
  EXPECT_TRUE(e2e::Screenshot(unixFolder + "/" + e2e::WideToUtf8(TestName()) + "-" + name + ".png"));
}

void RigmateE2E::Settle(int ms) {
  // Posted input is handled in the order it was posted; the pause lets it through, and
  // the sent message returns only once the window's thread takes messages again.
  DWORD_PTR ignored = 0;
  Sleep(static_cast<DWORD>(ms));
  if (main_) SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}
