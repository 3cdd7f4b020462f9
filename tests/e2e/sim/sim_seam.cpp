// The seam of Rigmate-e2e.exe: the real Win32 seam, except that disks, partitions and
// volume numbers come from the simulated machine named by RIGMATE_SIM_MACHINE, a
// restart is written to RIGMATE_SIM_RECORD instead of being done, and the system folder
// may be a folder of the test (RIGMATE_SIM_SYSTEM_FOLDER).
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/seam_win.h"
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
    std::string text = kDefaultMachine;
    std::wstring path = Variable(L"RIGMATE_SIM_MACHINE");
    if (!path.empty()) {
      text.clear();
      if (!ReadAll(path, &text)) Refuse("cannot read the description file");
    }
    std::string error;
    if (!machine_.Parse(text, &error)) Refuse(error);
    record_ = Variable(L"RIGMATE_SIM_RECORD");
    systemFolder_ = Variable(L"RIGMATE_SIM_SYSTEM_FOLDER");
  }

  // The machine's system folder, where Windows' own tools are started from: a folder
  // of the test when RIGMATE_SIM_SYSTEM_FOLDER names one, so that stand-ins take their place.
  std::wstring SystemDirectory() override {
    return systemFolder_.empty() ? Win32Seam::SystemDirectory() : systemFolder_;
  }

  bool PhysicalDriveOpens(int disk) override { return machine_.DiskOpens(disk); }

  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) override {
    return machine_.DriveLayout(disk, bufferSize, buffer, error);
  }
  bool DiskLength(int disk, int64_t* length) override { return machine_.Length(disk, length); }
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override {
    return machine_.VolumeDeviceNumber(volume, number);
  }
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override {
    return machine_.VolumePartitionStyle(volume, style);
  }

  bool DiskStorageFacts(int disk, StorageFacts* facts) override { return machine_.DiskStorageFacts(disk, facts); }

  bool FirmwareIsUefi() override {
    return machine_.firmwareUefi() < 0 ? Win32Seam::FirmwareIsUefi() : machine_.firmwareUefi() == 1;
  }

  bool EnableShutdownPrivilege() override { return true; }

  // Accepted, as Windows accepts it; the caller then ends the program with code 0.
  bool RequestReboot(uint32_t*) override {
    Record("restart\r\n");
    return true;
  }

 private:
  void Record(const std::string& line) {
    if (record_.empty()) return;
    HANDLE file = CreateFileW(record_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  }

  sim::Machine machine_;
  std::wstring record_;
  std::wstring systemFolder_;
};

}  // namespace

Seam& DefaultSeam() {
  static SimSeam seam;
  return seam;
}
