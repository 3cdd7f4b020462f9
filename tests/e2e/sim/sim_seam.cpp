// The seam of Rigmate-e2e.exe: the real Win32 seam, except that disks, partitions and
// volume numbers come from the simulated machine named by RIGMATE_SIM_MACHINE, a
// restart is written to RIGMATE_SIM_RECORD instead of being done, and the system folder
// may be a folder of the test (RIGMATE_SIM_SYSTEM_FOLDER). The description is read again
// whenever its file changes, so that a stand-in can plug in, pull out or format a disk
// while the program runs.
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/imaging.h"
#include "platform/prompts.h"
#include "platform/seam_win.h"
#include "tests/fakes/fake_seam.h"
#include "tests/e2e/sim/sim_machine.h"

namespace {

// Without a description the machine is one MBR disk holding C:.
const char kDefaultMachine[] = "disk mbr 120G\npart 1 120G letter=C: boot\n";

std::wstring Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? value : L"";
}

bool ReadAll(const std::wstring& path, std::string* text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text->append(buffer, read);
  CloseHandle(file);
  return true;
}

// A broken description must stop the run at once and say why, not show a machine
// the test did not mean.
[[noreturn]] void Refuse(const std::string& why) {
  std::fprintf(stderr, "Rigmate-e2e: simulated machine: %s\n", why.c_str());
  std::fflush(stderr);
  ExitProcess(3);
}

class SimSeam : public Win32Seam {
 public:
  SimSeam() {
    path_ = Variable(L"RIGMATE_SIM_MACHINE");
    std::string error;
    if (path_.empty() && !machine_.Parse(kDefaultMachine, &error)) Refuse(error);
    Current();
    record_ = Variable(L"RIGMATE_SIM_RECORD");
    systemFolder_ = Variable(L"RIGMATE_SIM_SYSTEM_FOLDER");
  }

  // The machine's system folder, where Windows' own tools are started from: a folder
  // of the test when RIGMATE_SIM_SYSTEM_FOLDER names one, so that stand-ins take their place.
  std::wstring SystemDirectory() override {
    return systemFolder_.empty() ? Win32Seam::SystemDirectory() : systemFolder_;
  }

  bool PhysicalDriveOpens(int disk) override { return Current().DiskOpens(disk); }

  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) override {
    return Current().DriveLayout(disk, bufferSize, buffer, error);
  }
  bool DiskLength(int disk, int64_t* length) override { return Current().Length(disk, length); }
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override {
    return Current().VolumeDeviceNumber(volume, number);
  }
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override {
    return Current().VolumePartitionStyle(volume, style);
  }

  bool DiskStorageFacts(int disk, StorageFacts* facts) override { return Current().DiskStorageFacts(disk, facts); }

  // A described label is the volume's: Wine reads a drive's own once per server start.
  bool VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) override {
    if (!Win32Seam::VolumeInformation(root, label, fileSystem)) return false;
    sim::VolumeAnswer volume = Current().Volume(root.substr(0, 2));
    if (volume.labelled) *label = volume.label;
    return true;
  }

  // A described volume is named after its place and letter, so that a letter given to a
  // partition by a format is a new volume; a letter described nowhere has no name.
  std::wstring VolumeGuidPath(const std::wstring& root) override {
    sim::VolumeAnswer volume = Current().Volume(root.substr(0, 2));
    if (!volume.found) return std::wstring();
    return L"\\\\?\\Volume{sim-" + std::to_wstring(volume.disk) + L"-" + std::to_wstring(volume.partition) + L"-" +
           root.substr(0, 1) + L"}\\";
  }

  bool FirmwareIsUefi() override {
    int uefi = Current().firmwareUefi();
    return uefi < 0 ? Win32Seam::FirmwareIsUefi() : uefi == 1;
  }

  bool EnableShutdownPrivilege() override { return true; }

  // Accepted, as Windows accepts it; the caller then ends the program with code 0.
  bool RequestReboot(uint32_t*) override {
    Record("restart\r\n");
    return true;
  }

 private:
  // The machine as its description says now; read again when the file changed. The
  // interface thread and the workers ask at the same time, hence the lock; a machine is
  // handed out as a copy, never while it is being read again.
  sim::Machine Current() {
    std::lock_guard<std::mutex> hold(lock_);
    if (path_.empty()) return machine_;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) Refuse("cannot read the description file");
    uint64_t stamp = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    if (read_ && stamp == stamp_ && data.nFileSizeLow == size_) return machine_;
    std::string text, error;
    if (!ReadAll(path_, &text)) Refuse("cannot read the description file");
    if (!machine_.Parse(text, &error)) Refuse(error);
    read_ = true;
    stamp_ = stamp;
    size_ = data.nFileSizeLow;
    return machine_;
  }

  void Record(const std::string& line) {
    if (record_.empty()) return;
    HANDLE file = CreateFileW(record_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  }

  std::mutex lock_;
  std::wstring path_;
  sim::Machine machine_;
  bool read_ = false;
  uint64_t stamp_ = 0;
  DWORD size_ = 0;
  std::wstring record_;
  std::wstring systemFolder_;
};

}  // namespace

Seam& DefaultSeam() {
  static SimSeam seam;
  return seam;
}

// Wine's imaging library opens no WIM file: a test that runs a WIM restore to its end
// names its file in RIGMATE_SIM_WIM, which the fake machine's imaging then holds.
Imaging& DefaultImaging() {
  static const std::wstring wim = Variable(L"RIGMATE_SIM_WIM");
  static FakeSeam* const fake = wim.empty() ? nullptr : [] {
    FakeSeam* machine = new FakeSeam;
    machine->AddWimFile(wim);
    return machine;
  }();
  return fake ? static_cast<Imaging&>(*fake) : WindowsImaging();
}

Prompts& DefaultPrompts() { return WindowsPrompts(); }
