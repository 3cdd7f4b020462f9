// Ghost jobs under Wine with the real services: the DOS stage written onto a test drive
// that stands for the system drive, BOOT.INI edited through the shell, and Ghost for
// Windows found on a drive root. Stand-ins take the place of bcdedit.exe, attrib.exe and GHOST32.EXE and
// record their command lines; only message boxes, restart and the disk queries that
// Wine cannot answer are scripted.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "deploy/boot_entry.h"
#include "deploy/dos_stage.h"
#include "deploy/ghost_job.h"
#include "platform/disk.h"
#include "platform/pe_flag.h"
#include "platform/prompts.h"
#include "platform/seam_win.h"
#include "resources/resource.h"
#include "tests/standin/standin_log.h"
#include "tests/win/test_drives.h"

namespace {

// The real Win32 services on a machine whose disks, firmware and dialogs are scripted.
class ScriptedDesktop : public Win32Seam, public Prompts {
 public:
  struct Box {
    std::wstring text;
    unsigned style;
  };

  int ShowMessageBox(const std::wstring& text, const std::wstring&, unsigned style) override {
    boxes.push_back({text, style});
    if (!answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0xF) == MB_OK ? IDOK : (style & 0xF) == MB_YESNO ? IDNO : IDCANCEL;
  }
  bool EnableShutdownPrivilege() override { return true; }
  bool RequestReboot(uint32_t*) override {
    ++reboots;
    return true;
  }
  void EndProcess(int) override {}
  std::wstring SystemDirectory() override { return systemDirectory.empty() ? Win32Seam::SystemDirectory() : systemDirectory; }
  bool VersionMajor(bool extended, int* major) override {
    if (version == 0) return Win32Seam::VersionMajor(extended, major);
    *major = version;
    return true;
  }
  bool PhysicalDriveOpens(int disk) override { return disk < physicalDrives; }
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override {
    auto it = volumes.find(volume);
    if (it == volumes.end()) return VolumeOpen::NotOpened;
    *number = it->second;
    return VolumeOpen::Ok;
  }
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override {
    if (!volumes.count(volume)) return false;
    *style = 0;
    return true;
  }
  bool FirmwareIsUefi() override { return false; }

  // A partition without a letter, reached by its volume path. Wine opens no file through a
  // volume path, so the files named through it are handed to the real calls on the test
  // drive that stands for it; the paths the program named are kept in throughVolume.
  bool FindFile(const std::wstring& path, FileEntry* found) override { return Win32Seam::FindFile(Real(path), found); }
  bool WriteNewFile(const std::wstring& path, const std::string& bytes) override {
    return Win32Seam::WriteNewFile(Real(path), bytes);
  }
  uint32_t FileAttributes(const std::wstring& path) override { return Win32Seam::FileAttributes(Real(path)); }
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
    return Win32Seam::SetAttributes(Real(path), attributes);
  }
  bool RemoveFile(const std::wstring& path) override { return Win32Seam::RemoveFile(Real(path)); }
  bool FileSize(const std::wstring& path, uint64_t* bytes) override { return Win32Seam::FileSize(Real(path), bytes); }
  bool FreeBytes(const std::wstring& root, uint64_t* bytes) override { return Win32Seam::FreeBytes(Real(root), bytes); }
  std::vector<std::wstring> VolumeNames() override { return {volumePath + L"\\"}; }
  std::wstring DosDeviceName(const std::wstring& drive) override {
    return drive.compare(0, volumePath.size(), volumePath) == 0 ? L"\\Device\\HarddiskVolume1" : L"\\Device\\HarddiskVolume2";
  }
  bool RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access, size_t bufferBytes,
                    std::wstring* text) override {
    if (storeHive.empty() || value != L"\\REGISTRY\\MACHINE\\BCD00000000")
      return Win32Seam::RegistryText(key, value, access, bufferBytes, text);
    *text = storeHive;
    return true;
  }
  std::wstring Real(const std::wstring& path) {
    if (volumePath.empty() || path.compare(0, volumePath.size(), volumePath) != 0) return path;
    throughVolume.push_back(path);
    return volumeDrive + path.substr(volumePath.size());
  }
  std::wstring volumePath, volumeDrive, storeHive;
  std::vector<std::wstring> throughVolume;

  std::deque<int> answers;
  std::vector<Box> boxes;
  int reboots = 0;
  std::wstring systemDirectory;
  int version = 0;
  int physicalDrives = 1;
  std::map<std::wstring, StorageDeviceNumber> volumes;   // "S:" -> its device number
};

std::string ProgramResource(int id) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"FILE");
  if (!found) return std::string();
  HGLOBAL loaded = LoadResource(nullptr, found);
  return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found));
}

std::vector<std::wstring> LoggedCommandLines(const std::wstring& log) {
  std::vector<std::wstring> lines;
  for (const auto& record : ReadStandinLog(log)) lines.push_back(record.commandLine);
  return lines;
}

// P: stands for the Windows partition (the system drive), Q: for a data partition of
// the same disk, R: holds the stand-ins and their log.
class DeployOnTestDrives : public TestDrivesTest {
 protected:
  void SetUp() override {
    TestDrivesTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    system_ = Drive(0), data_ = Drive(1), tools_ = Drive(2) + L"\\tools";
    ASSERT_FALSE(Drive(2).empty()) << "three test drives are needed";
    ASSERT_TRUE(MakeFolders(tools_));
    log_ = tools_ + L"\\standin.log";
    logVariable_ = std::make_unique<ScopedVariable>(L"RIGMATE_STANDIN_LOG", log_);
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    previousFolder_ = current;
    seam_.volumes[system_] = StorageDeviceNumber{7, 0, 1};
    seam_.volumes[data_] = StorageDeviceNumber{7, 0, 2};
    SetSeam(&seam_);
    SetPrompts(&seam_);
  }
  void TearDown() override {
    for (const wchar_t* mark : {L"\\bcdedit.exe.ran", L"\\attrib.exe.ran"})
      EXPECT_FALSE(Exists(tools_ + mark)) << "a planted tool ran";
    SetSeam(nullptr);
    SetPrompts(nullptr);
    g_bInPE = 0;
    if (!previousFolder_.empty()) SetCurrentDirectoryW(previousFolder_.c_str());
  }

  // Stand-ins for bcdedit.exe and attrib.exe in the system folder (on the test's system
  // drive), from where Windows' tools are started; in the current folder, where a start
  // by bare name would find them first, planted copies that mark a start (checked at the end).
  void UseStandinTools() {
    seam_.systemDirectory = system_ + L"\\Windows\\system32";
    ASSERT_TRUE(MakeFolders(seam_.systemDirectory));
    for (const wchar_t* name : {L"\\bcdedit.exe", L"\\attrib.exe"}) {
      ASSERT_TRUE(CopyFileW(StandinPath().c_str(), (seam_.systemDirectory + name).c_str(), FALSE));
      ASSERT_TRUE(CopyFileW(PlantedPath(L"planted.exe").c_str(), (tools_ + name).c_str(), FALSE));
    }
    ASSERT_TRUE(SetCurrentDirectoryW(tools_.c_str()));
  }

  ScriptedDesktop seam_;
  std::wstring system_, data_, tools_, log_, previousFolder_;
  std::unique_ptr<ScopedVariable> logVariable_;
};

TEST_F(DeployOnTestDrives, StagingWritesTheDosStageAndTheBootEntry) {
  UseStandinTools();
  const std::wstring& system = system_;
  ASSERT_TRUE(MakeFolders(system + L"\\boot"));
  ASSERT_TRUE(WriteFileBytes(data_ + L"\\Rigmate\\GHO\\WIN764.GHO", "image"));
  seam_.systemDirectory = system + L"\\Windows\\system32";
  seam_.version = 6;

  ASSERT_TRUE(PayloadComplete()) << "win_tests must carry the payload built from stand-ins";
  GhostJob job{data_ + L"\\Rigmate\\GHO\\WIN764.GHO", system, 0, 1};
  ASSERT_EQ(RunGhostJob(job).code, GhostCode::Staged);
  EXPECT_TRUE(seam_.boxes.empty());

  const std::string image = ProgramResource(IDR_DOS_IMAGE);
  EXPECT_EQ(image.size(), 2949120u);
  EXPECT_EQ(ReadFileBytes(system + L"\\kxdos.ima"), image);
  EXPECT_EQ(ReadFileBytes(system + L"\\kxldr"), ProgramResource(IDR_LOADER));
  EXPECT_EQ(ReadFileBytes(system + L"\\kxldr").compare(0, 14, "stand-in kxldr"), 0);
  EXPECT_EQ(ReadFileBytes(system + L"\\kxldr.mbr"), ProgramResource(IDR_LOADER_MBR));
  for (const wchar_t* name : {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr"})
    EXPECT_EQ(GetFileAttributesW((system + name).c_str()), 0x27u);
  EXPECT_EQ(ReadFileBytes(system + L"\\ghost.ba_"),
            "ghost.exe -noide -nousb -clone,mode=pload,src=1:2\\Rigmate\\GHO\\WIN764.GHO:1,dst=1:1 -crcignore -sure -rb");
  EXPECT_EQ(GetFileAttributesW((system + L"\\ghost.ba_").c_str()) & 0x7u, 0u);

  std::vector<std::wstring> lines = LoggedCommandLines(log_);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], L"bcdedit.exe /export \"" + system + L"\\boot\\BCDKX\"");
  ASSERT_GT(lines[1].size(), 59u);
  const std::wstring guid = lines[1].substr(20, 39);   // "{...} " as the program made it
  EXPECT_EQ(guid[0], L'{');
  EXPECT_EQ(guid.substr(37), L"} ");
  EXPECT_EQ(lines[1], L"bcdedit.exe /create " + guid + L" /d \"Korvex数码 一键装机\" /application bootsector");
  EXPECT_EQ(lines[2], L"bcdedit.exe /set " + guid + L" device partition=" + system);
  EXPECT_EQ(lines[3], L"bcdedit.exe /set " + guid + L" path \\kxldr.mbr");
  EXPECT_EQ(lines[4], L"bcdedit.exe /bootsequence " + guid);

  // A second staging while the first waits (its batch even read-only): Yes to the
  // question puts the exported store back and removes the first staging's files, then
  // stages the new job.
  DeleteFileW(log_.c_str());
  SetFileAttributesW((system + L"\\ghost.ba_").c_str(), 0x27);
  seam_.answers.push_back(IDYES);
  GhostJob backup{data_ + L"\\Backup.GHO", system, 5, 0};
  ASSERT_EQ(RunGhostJob(backup).code, GhostCode::Staged);
  ASSERT_EQ(seam_.boxes.size(), 1u);
  EXPECT_EQ(seam_.boxes[0].text, L"系统盘上已有一个等待下次启动时执行的GHOST任务，是否撤销该任务并以本次任务代替？");
  lines = LoggedCommandLines(log_);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], L"bcdedit.exe /import \"" + system + L"\\boot\\BCDKX\"");
  EXPECT_EQ(lines[1], L"bcdedit.exe /export \"" + system + L"\\boot\\BCDKX\"");
  EXPECT_EQ(ReadFileBytes(system + L"\\ghost.ba_"),
            "ghost.exe -noide -nousb -clone,mode=pdump,src=1:1,dst=1:2\\Backup.GHO -z5 -crcignore -sure -rb");
  EXPECT_EQ(GetFileAttributesW((system + L"\\kxdos.ima").c_str()), 0x27u);

  // Cancel in the restart prompt imports the export back.
  DeleteFileW(log_.c_str());
  seam_.answers.push_back(IDCANCEL);
  PromptRestart();
  EXPECT_EQ(LoggedCommandLines(log_), std::vector<std::wstring>{L"bcdedit.exe /import \"" + system + L"\\boot\\BCDKX\""});
  EXPECT_EQ(seam_.reboots, 0);
  // ... and removes the staged files, so that no job is left to run at a later start.
  for (const wchar_t* name : {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr", L"\\ghost.ba_"})
    EXPECT_EQ(GetFileAttributesW((system + name).c_str()), INVALID_FILE_ATTRIBUTES);
}

// Windows Setup's layout: the store on the system partition, which has no letter; the
// payload goes there by its volume path (Q: stands for it), and the entry names it.
TEST_F(DeployOnTestDrives, StagingOntoTheSystemPartitionWithoutALetter) {
  UseStandinTools();
  ScopedVariable bcdedit(L"RIGMATE_STANDIN_EXIT_BCDEDIT", L"0");   // its export cannot reach the volume path under Wine
  seam_.version = 6;
  seam_.volumePath = L"\\\\?\\Volume{5e7a0000-0000-0000-0000-000000000001}";
  seam_.volumeDrive = data_;
  seam_.storeHive = L"\\Device\\HarddiskVolume1\\Boot\\BCD";
  seam_.volumes[seam_.volumePath] = StorageDeviceNumber{7, 0, 2};
  ASSERT_TRUE(MakeFolders(data_ + L"\\Boot"));
  ASSERT_TRUE(WriteFileBytes(data_ + L"\\Rigmate\\GHO\\WIN764.GHO", "image"));

  ASSERT_EQ(RunGhostJob(GhostJob{data_ + L"\\Rigmate\\GHO\\WIN764.GHO", system_, 0, 1}).code, GhostCode::Staged);
  EXPECT_TRUE(seam_.boxes.empty());
  for (const wchar_t* name : {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr", L"\\ghost.ba_"}) {
    EXPECT_TRUE(std::count(seam_.throughVolume.begin(), seam_.throughVolume.end(), seam_.volumePath + name)) << name;
    EXPECT_TRUE(Exists(data_ + name)) << name;
    EXPECT_FALSE(Exists(system_ + name)) << name;
  }
  EXPECT_EQ(ReadFileBytes(data_ + L"\\kxdos.ima"), ProgramResource(IDR_DOS_IMAGE));
  EXPECT_EQ(GetFileAttributesW((data_ + L"\\kxldr.mbr").c_str()), 0x27u);
  std::vector<std::wstring> lines = LoggedCommandLines(log_);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], L"bcdedit.exe /export \"" + system_ + L"\\BCDKX.EXP\"");   // bcdedit's file on Windows' drive
  EXPECT_EQ(lines[2].substr(lines[2].size() - 12), L" device boot");
}

TEST_F(DeployOnTestDrives, BootIniEntryThroughTheShellAndAttrib) {
  UseStandinTools();
  seam_.version = 5;
  const std::string original =
      "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n";
  // C:\BOOT.INI of this test prefix, where there is none otherwise.
  ASSERT_FALSE(Exists(L"C:\\BOOT.INI"));
  struct Cleanup {
    ~Cleanup() {
      for (const wchar_t* name : {L"C:\\BOOT.INI", L"C:\\BOOT.INIKX", L"C:\\boot.in_"}) {
        SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(name);
      }
    }
  } cleanup;
  ASSERT_TRUE(WriteFileBytes(L"C:\\BOOT.INI", original));
  SetFileAttributesW(L"C:\\BOOT.INI", 0x27);

  EXPECT_TRUE(AddBootIniEntry());
  EXPECT_EQ(ReadFileBytes(L"C:\\BOOT.INIKX"), original);
  EXPECT_EQ(ReadFileBytes(L"C:\\boot.in_"), original);
  EXPECT_EQ(GetFileAttributesW(L"C:\\boot.in_"), 0x27u);
  EXPECT_EQ(ReadFileBytes(L"C:\\BOOT.INI"),
            "[boot loader]\r\ntimeout=10\r\ndefault=C:\\KXLDR.MBR\r\n[operating systems]\r\n"
            "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n\r\nC:\\KXLDR.MBR=KX Ghost");
  EXPECT_EQ(GetFileAttributesW(L"C:\\BOOT.INI") & 0x7u, 0x7u);
  EXPECT_EQ(LoggedCommandLines(log_),
            (std::vector<std::wstring>{L"attrib.exe -S -H -R C:\\BOOT.INI", L"attrib.exe +S +H +R C:\\BOOT.INI"}));
  EXPECT_EQ(seam_.boxes.size(), 2u);   // the text before and after the edit

  EXPECT_TRUE(RestoreBootIni());
  EXPECT_EQ(ReadFileBytes(L"C:\\BOOT.INI"), original);
  EXPECT_EQ(GetFileAttributesW(L"C:\\BOOT.INI") & 0x7u, 0x7u);
}

TEST_F(DeployOnTestDrives, GhostOnADriveRootGetsTheCommandLineAndDecidesTheResult) {
  const std::wstring drive = data_;
  ASSERT_TRUE(CopyFileW(StandinPath().c_str(), (drive + L"\\GHOST32.EXE").c_str(), FALSE));
  ASSERT_TRUE(WriteFileBytes(drive + L"\\img\\WIN7.GHO", "image"));
  g_bInPE = 1;

  GhostJob job{drive + L"\\img\\WIN7.GHO", L"C:", 0, 1};
  EXPECT_EQ(RunGhostJob(job).code, GhostCode::Done);
  EXPECT_TRUE(seam_.boxes.empty());
  std::vector<std::wstring> lines = LoggedCommandLines(log_);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], drive + L"\\GHOST32.EXE -noide -nousb -clone,mode=pload,src=\"" + drive +
                          L"\\img\\WIN7.GHO:1\",dst=C: -crcignore -sure");

  ScopedVariable failing(L"RIGMATE_STANDIN_EXIT_GHOST32", L"3");
  GhostJob backup{drive + L"\\img\\WIN7.GHO", L"C:", 2, 0};
  seam_.answers.push_back(IDYES);   // overwrite the existing image
  EXPECT_EQ(RunGhostJob(backup).code, GhostCode::GhostFailed);
  ASSERT_EQ(seam_.boxes.size(), 1u);   // the overwrite question
  lines = LoggedCommandLines(log_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], drive + L"\\GHOST32.EXE -noide -nousb -clone,mode=pdump,src=C:,dst=\"" + drive +
                          L"\\img\\WIN7.GHO\" -z2 -crcignore -sure");
}

}  // namespace
