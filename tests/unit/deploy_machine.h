// The desktop that the deployment tests stage on: one FakeSeam with two disks, the
// program's payload, and an attrib.exe that really changes the fake's attributes.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/disk.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "tests/fakes/fake_seam.h"

namespace deploy_test {

// The payload as the program would carry it: stand-ins of the real bytes that look like
// them (a 2.88 MB floppy with its boot signature, a loader that keeps its menu compressed,
// a boot-sector loader that names KXLDR).
inline std::string FloppyBytes(size_t size = 2949120) {
  std::string bytes(size, '\0');
  bytes.replace(0, 6, "FLOPPY");
  bytes[510] = '\x55';
  bytes[511] = '\xaa';
  return bytes;
}
inline const std::string kImageBytes = FloppyBytes();
inline const std::string kLoaderBytes = "GRLDR-BYTES ]\x00\x00\x80" + std::string(20000, 'G');
inline const std::string kLoaderMbrBytes = std::string("MBR\0\xff KXLDR", 11) + std::string(2000, 'M');

// attrib.exe over the fake's files: every flag applies (unlike Wine's attrib). Other
// programs end with what exitCode says for their command line (0 when not given).
inline void EmulateAttrib(FakeSeam& fake, std::function<int(const std::wstring&)> exitCode = nullptr) {
  fake.onStart = [&fake, exitCode](const FakeSeam::ProcessStart& start) {
    const std::wstring& line = start.commandLine;
    if (line.rfind(L"attrib.exe ", 0) != 0) return exitCode ? exitCode(line) : 0;
    std::wistringstream in(line.substr(11));
    std::vector<std::wstring> flags;
    std::wstring token, path;
    while (in >> token) {
      if (token[0] == L'+' || token[0] == L'-') flags.push_back(token);
      else path = token;
    }
    uint32_t attributes = fake.Attributes(path);
    if (attributes == fattr::Invalid) return 1;
    for (const auto& flag : flags) {
      uint32_t bit = flag[1] == L'S' ? fattr::System : flag[1] == L'H' ? fattr::Hidden : fattr::ReadOnly;
      attributes = flag[0] == L'+' ? (attributes | bit) : (attributes & ~bit);
    }
    fake.SetAttributes(path, attributes);
    return 0;
  };
}

inline FakeSeam::Volume DiskVolume(uint32_t disk, uint32_t partition, int style = 0) {
  FakeSeam::Volume volume;
  volume.number = StorageDeviceNumber{7, disk, partition};
  volume.partitionStyle = style;
  return volume;
}

// The program's FILE resources of a complete payload.
inline void AddPayload(FakeSeam& fake) {
  fake.AddResource(IDR_DOS_IMAGE, L"FILE", kImageBytes);
  fake.AddResource(IDR_LOADER, L"FILE", kLoaderBytes);
  fake.AddResource(IDR_LOADER_MBR, L"FILE", kLoaderMbrBytes);
  fake.AddResource(IDR_PAYLOAD_MARK, L"FILE", "complete");
}

// Disk 0: C: (1, Windows), D: (2), E: (3); disk 1: F: (1). Windows 7 on C:, BIOS start.
// Without payload, the program's FILE resources are left to the test.
inline void SetUpDesktop(FakeSeam& fake, bool payload = true) {
  fake.systemDirectory = L"C:\\Windows\\system32";
  fake.SetDrives(L"CDEF");
  fake.volumes[L'C'] = DiskVolume(0, 1);
  fake.volumes[L'D'] = DiskVolume(0, 2);
  fake.volumes[L'E'] = DiskVolume(0, 3);
  fake.volumes[L'F'] = DiskVolume(1, 1);
  fake.disks[0] = FakeSeam::Disk{};
  fake.disks[1] = FakeSeam::Disk{};
  fake.versionMajor = 6;
  fake.AddFolder(L"C:\\boot");
  if (payload) AddPayload(fake);
  EmulateAttrib(fake);
}

// The command lines started, in order.
inline std::vector<std::wstring> CommandLines(const FakeSeam& fake) {
  std::vector<std::wstring> lines;
  for (const auto& start : fake.starts) lines.push_back(start.commandLine);
  return lines;
}

// Paths that an operation of these kinds changed (destination of a copy), in order.
inline std::vector<std::wstring> Changed(const FakeSeam& fake) {
  std::vector<std::wstring> paths;
  for (const auto& op : fake.fileOps) {
    if (!op.ok) continue;
    switch (op.op) {
      case FakeSeam::Op::WriteNewFile: case FakeSeam::Op::RewriteFile: case FakeSeam::Op::RemoveFile:
      case FakeSeam::Op::ShellDelete: case FakeSeam::Op::MakeFolder:
        paths.push_back(op.path);
        break;
      case FakeSeam::Op::ShellCopy: case FakeSeam::Op::CopyOneFile:
        paths.push_back(op.to);
        break;
      default:
        break;
    }
  }
  return paths;
}

inline std::vector<std::wstring> MessageTexts(const FakeSeam& fake) {
  std::vector<std::wstring> texts;
  for (const auto& box : fake.messages) texts.push_back(box.text);
  return texts;
}

}  // namespace deploy_test
