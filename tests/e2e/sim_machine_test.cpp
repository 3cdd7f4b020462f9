// The simulated machine read through the real disk model: what a description file
// makes CDisk see in Rigmate-e2e.exe, and the mistakes a description is refused for.
#include <gtest/gtest.h>

#include <vector>

#include "platform/disk.h"
#include "tests/e2e/sim/sim_machine.h"
#include "tests/fakes/fake_seam.h"

namespace {

// FakeSeam for everything but the disks, which come from the description.
class SimulatedDisks : public FakeSeam {
 public:
  explicit SimulatedDisks(const std::string& description) {
    std::string error;
    parsed = machine.Parse(description, &error);
    EXPECT_TRUE(parsed) << error;
  }
  bool PhysicalDriveOpens(int disk) override { return machine.DiskOpens(disk); }
  bool DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) override {
    layoutRequests.push_back(bufferSize);
    return machine.DriveLayout(disk, bufferSize, buffer, error);
  }
  bool DiskLength(int disk, int64_t* length) override { return machine.Length(disk, length); }
  VolumeOpen VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) override {
    return machine.VolumeDeviceNumber(volume, number);
  }
  bool VolumePartitionStyle(const std::wstring& volume, int* style) override {
    return machine.VolumePartitionStyle(volume, style);
  }

  sim::Machine machine;
  bool parsed = false;
};

struct Seen {
  std::wstring letter, ghostNumber;
  int disk, number;
  uint32_t style;
};

std::vector<Seen> PartitionsOf(const CDisk& model) {
  std::vector<Seen> seen;
  for (const _PARTITIONS& p : model.partitions)
    seen.push_back({p.letter, p.ghostNumber, p.diskIndex, p.partitionNumber, p.layout.PartitionStyle});
  return seen;
}

class SimMachine : public ::testing::Test {
 protected:
  void Use(SimulatedDisks& seam, const std::wstring& letters) {
    seam.SetDrives(letters);
    SetSeam(&seam);
  }
  void TearDown() override { SetSeam(nullptr); }
};

TEST_F(SimMachine, MbrDiskWithLogicalPartitionsReadsAsWindowsNumbersThem) {
  SimulatedDisks seam(
      "# primary C:, an extended partition holding D: and E:, one empty slot\n"
      "disk mbr 500G signature=0x1A2B3C4D\n"
      "  part 1 100G letter=C: boot\n"
      "  extended 300G\n"
      "  logical 5 150G letter=D:\n"
      "  logical 6 150G letter=E: type=0x0B\n"
      "  empty\n");
  Use(seam, L"CDE");
  CDisk model;
  std::vector<Seen> seen = PartitionsOf(model);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].letter, L"C:");
  EXPECT_EQ(seen[0].ghostNumber, L"1:1");
  EXPECT_EQ(seen[1].letter, L"D:");
  EXPECT_EQ(seen[1].number, 5);
  EXPECT_EQ(seen[1].ghostNumber, L"1:2");
  EXPECT_EQ(seen[2].letter, L"E:");
  EXPECT_EQ(seen[2].ghostNumber, L"1:3");
  ASSERT_EQ(model.devices.size(), 1u);
  EXPECT_EQ(model.devices.front().size, L"500.00GB");
  EXPECT_EQ(model.devices.front().letters, L"C: D: E: ");
  EXPECT_EQ(model.partitions.front().layout.Mbr.PartitionType, 0x07);
  EXPECT_TRUE(model.partitions.front().layout.Mbr.BootIndicator);
  EXPECT_EQ(model.partitions.back().layout.Mbr.PartitionType, 0x0B);
}

TEST_F(SimMachine, GptDiskNumbersTheEfiPartitionButNotTheReservedOne) {
  SimulatedDisks seam(
      "disk mbr 120G\n"
      "  part 1 120G letter=C:\n"
      "disk gpt 1T\n"
      "  part 1 100M type=efi name=\"EFI system partition\"\n"
      "  part 2 16M type=msr name=\"Microsoft reserved partition\"\n"
      "  part 3 900G letter=D: name=\"Basic data partition\"\n");
  Use(seam, L"CD");
  CDisk model;
  std::vector<Seen> seen = PartitionsOf(model);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].ghostNumber, L"2:1");
  EXPECT_EQ(seen[1].style, 1u);
  EXPECT_EQ(seen[2].ghostNumber, L"");
  EXPECT_EQ(seen[3].letter, L"D:");
  EXPECT_EQ(seen[3].ghostNumber, L"2:2");
  EXPECT_EQ(model.partitions.back().layout.Gpt.Name, L"Basic data partition");

  StorageDeviceNumber number;
  ASSERT_TRUE(GetVolumeDeviceNumber(L"D:", &number));
  EXPECT_EQ(number.deviceNumber, 1u);
  EXPECT_EQ(number.partitionNumber, 3u);
  int style = -1;
  ASSERT_TRUE(GetVolumePartitionStyle(L"d:", &style));
  EXPECT_EQ(style, 1);
  EXPECT_EQ(CountPhysicalDrives(), 2);
}

TEST_F(SimMachine, AStickBehindAMissingNumberIsListedAndAnUnreadableDiskIsLeftOut) {
  SimulatedDisks seam(
      "disk mbr 100G\n  part 1 100G letter=C:\n"
      "disk unreadable\n"
      "disk mbr 50G\n  part 1 50G\n"
      "disk missing\n"
      "disk mbr 8G usb removable\n  part 1 8G letter=D:\n");
  Use(seam, L"CD");
  CDisk model;
  std::vector<int> listed;
  for (const _DEVICE& device : model.devices) listed.push_back(device.diskIndex);
  EXPECT_EQ(listed, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(model.devices.back().letters, L"D: ");
  EXPECT_EQ(CountPhysicalDrives(), 4);
  StorageFacts facts;
  EXPECT_FALSE(seam.DiskStorageFacts(3, &facts));
}

TEST_F(SimMachine, LayoutBeyondTheFirstBufferIsStillReadWhole) {
  std::string description = "disk mbr 2T\n  part 1 100G letter=C:\n  extended 1800G\n";
  for (int n = 5; n < 45; ++n) description += "  logical " + std::to_string(n) + " 40G\n";
  SimulatedDisks seam(description);
  Use(seam, L"C");
  CDisk model;
  EXPECT_EQ(model.partitions.size(), 41u);
  ASSERT_FALSE(seam.layoutRequests.empty());
  EXPECT_EQ(seam.layoutRequests.front(), 4800u);
  EXPECT_GT(seam.layoutRequests.back(), 4800u);
}

TEST_F(SimMachine, DescriptionMistakesAreRefusedWithTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"part 1 10G\n", "line 1: part outside a readable disk"},
      {"disk mbr\n", "line 1: a disk needs a length"},
      {"disk mbr 10X\n", "line 1: a disk needs a length"},
      {"disk gpt 10G\n  extended 5G\n", "line 2: a GPT disk holds only part lines"},
      {"disk gpt 10G\n  part 1 5G type=fat\n", "line 2: unknown GPT type fat"},
      {"disk mbr 10G\n  part 1 5G letter=C\n", "line 2: a letter is written like C:"},
      {"disk mbr 10G\n  part 1 5G type=0x100\n", "line 2: an MBR type is one byte"},
      {"disk mbr 10G\n  part x 5G\n", "line 2: part needs its partition number"},
      {"disk raw 10G\n  part 1 5G\n", "line 2: a raw disk holds no partitions"},
      {"disk mbr 10G\nempty\nempty\nempty\nempty\nempty\n", "line 6: an MBR disk has four primary slots"},
      {"disk mbr 10G\n  logical 5 1G\n", "line 2: a logical partition needs an extended partition before it"},
      {"disk mbr 99999999999999999999999G\n", "a number out of range"},
      {"firmware efi\n", "line 1: firmware is uefi or bios"},
  };
  for (const Case& c : cases) {
    sim::Machine machine;
    std::string error;
    EXPECT_FALSE(machine.Parse(c.text, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_TRUE(machine.disks().empty());
  }
}

TEST_F(SimMachine, FirmwareAndRawDisksAreDescribed) {
  sim::Machine machine;
  std::string error;
  ASSERT_TRUE(machine.Parse("firmware uefi\ndisk raw 8G\n", &error)) << error;
  EXPECT_EQ(machine.firmwareUefi(), 1);
  std::vector<uint8_t> bytes;
  uint32_t code = 0;
  ASSERT_TRUE(machine.DriveLayout(0, 4800, &bytes, &code));
  DriveLayoutInfo info = ReadDriveLayout(bytes);
  EXPECT_EQ(info.PartitionStyle, layout::kStyleRaw);
  EXPECT_EQ(info.PartitionCount, 0u);
}

}  // namespace
