// The boot disk page's disks: read from the machine now, kept across a new reading, and
// checked again right before a format.
#include "pages/bootmedia/boot_disk_devices.h"

#include "pages/bootmedia/boot_disk_actions.h"
#include "platform/disk.h"
#include "platform/format.h"
#include "platform/system.h"

namespace boot_disk {

namespace {

bool SameDisk(const DiskIdentity& a, const DiskIdentity& b) {
  return a.disk == b.disk && a.lengthKnown == b.lengthKnown && (!a.lengthKnown || a.length == b.length) &&
         a.storageKnown == b.storageKnown &&
         (!a.storageKnown || (a.storage.busType == b.storage.busType &&
                              a.storage.removableMedia == b.storage.removableMedia)) &&
         a.letters == b.letters;
}

// The physical disk of the volume a path lies on; -1 when it lies on none (a share) or
// the volume does not answer.
int DiskOfPath(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return -1;
  StorageDeviceNumber number;
  if (!GetVolumeDeviceNumber(path.substr(0, 2), &number)) return -1;
  return static_cast<int>(number.deviceNumber);
}

}  // namespace

std::vector<DeviceChoice> ReadDeviceChoices() {
  CDisk now(false);
  std::vector<DeviceChoice> choices;
  for (const _DEVICE& device : now.devices) {
    DeviceChoice choice;
    choice.entry = DeviceEntryText(device);
    DiskIdentity& id = choice.identity;
    id.disk = device.diskIndex;
    id.lengthKnown = TheSeam().DiskLength(device.diskIndex, &id.length);
    id.storageKnown = TheSeam().DiskStorageFacts(device.diskIndex, &id.storage);
    id.size = device.size;
    id.letters = device.letters;
    choices.push_back(choice);
  }
  return choices;
}

std::vector<std::wstring> EntriesOf(const std::vector<DeviceChoice>& choices) {
  std::vector<std::wstring> entries;
  for (const DeviceChoice& choice : choices) entries.push_back(choice.entry);
  if (entries.empty()) entries.emplace_back(kNoDevice);
  return entries;
}

const DeviceChoice* ChoiceOfEntry(const std::vector<DeviceChoice>& choices, const std::wstring& entry) {
  for (const DeviceChoice& choice : choices)
    if (choice.entry == entry) return &choice;
  return nullptr;
}

std::wstring EntryToKeep(const std::vector<DeviceChoice>& before, const std::wstring& selected,
                         const std::vector<DeviceChoice>& now) {
  if (ChoiceOfEntry(now, selected)) return selected;
  const DeviceChoice* was = ChoiceOfEntry(before, selected);
  if (!was) return std::wstring();
  for (const DeviceChoice& choice : now) {
    DiskIdentity lettersAside = choice.identity;
    lettersAside.letters = was->identity.letters;
    if (SameDisk(was->identity, lettersAside)) return choice.entry;
  }
  return std::wstring();
}

std::wstring DiskRefusal(const DiskIdentity& chosen, const std::vector<std::wstring>& inUse) {
  const int disk = chosen.disk;
  const DeviceChoice* now = nullptr;
  std::vector<DeviceChoice> choices = ReadDeviceChoices();
  for (const DeviceChoice& choice : choices)
    if (choice.identity.disk == disk) now = &choice;
  if (!now || !SameDisk(chosen, now->identity))
    return Format(L"设备(HD%d)已经改变或被拔出，请重新选择设备！", disk);
  if (DiskOfPath(GetSystemDrive()) == disk)
    return Format(L"设备(HD%d)上有正在运行的Windows，禁止对其进行操作！", disk);
  if (DiskOfPath(GetModuleFolder()) == disk) return Format(L"设备(HD%d)上有本程序，禁止对其进行操作！", disk);
  for (const std::wstring& path : inUse)
    if (DiskOfPath(path) == disk) return Format(L"设备(HD%d)上有制作工具或存档，禁止对其进行操作！", disk);
  return std::wstring();
}

std::wstring VolumeOnDisk(int disk) {
  CDisk now(false);
  for (const _PARTITION_LOGICAL& logical : now.logicalDrives) {
    if (logical.diskIndex != disk) continue;
    std::wstring label, fileSystem;
    // A volume that is still going away, or not yet mounted, does not read.
    uint64_t free = 0;
    if (TheSeam().VolumeInformation(logical.letter + L"\\", &label, &fileSystem) &&
        TheSeam().FreeBytes(logical.letter + L"\\", &free))
      return logical.letter;
  }
  return std::wstring();
}

}  // namespace boot_disk
