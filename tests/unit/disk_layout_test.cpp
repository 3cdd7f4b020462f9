// The disk model read from layout buffers laid out as Windows fills them, on the fake machine.
#include <gtest/gtest.h>

#include <vector>

#include "platform/disk.h"
#include "platform/format.h"
#include "tests/fakes/fake_seam.h"

namespace {

constexpr int64_t kGiB = 1024LL * 1024 * 1024;

class DiskTest : public ::testing::Test {
 protected:
  DiskTest() : use_(&fake) { fake.SetDrives(L""); }

  // MBR disk 0: primary C:, an extended container holding logical D: and E: (each with
  // its link entry), and empty slots, in the order Windows lists them.
  void AddMbrDisk0() {
    using E = std::vector<PartitionInfoEx>;
    fake.AddDisk(0, layout::kStyleMbr,
                 E{FakeSeam::MbrEntry(1, 60 * kGiB), FakeSeam::MbrEntry(0, 400 * kGiB, 0x0F),
                   FakeSeam::MbrEntry(0, 0, 0), FakeSeam::MbrEntry(0, 0, 0),
                   FakeSeam::MbrEntry(2, 100 * kGiB), FakeSeam::MbrEntry(0, 300 * kGiB, 0x05),
                   FakeSeam::MbrEntry(0, 0, 0), FakeSeam::MbrEntry(0, 0, 0),
                   FakeSeam::MbrEntry(3, 300 * kGiB), FakeSeam::MbrEntry(0, 0, 0),
                   FakeSeam::MbrEntry(0, 0, 0), FakeSeam::MbrEntry(0, 0, 0)},
                 500107862016LL);
    fake.AddVolume(L"C:", 0, 1).label = L"系统";
    fake.volumes[L'C'].freeBytes = 20 * kGiB + kGiB / 2;
    fake.AddVolume(L"D:", 0, 2);
    fake.AddVolume(L"E:", 0, 3).fileSystem = L"FAT32";
  }

  std::vector<_PARTITIONS> Partitions() const {
    return std::vector<_PARTITIONS>(TheDisk().partitions.begin(), TheDisk().partitions.end());
  }

  FakeSeam fake;
  ScopedSeam use_;
};

}  // namespace

TEST(DriveLayoutBytes, EntriesSitAtTheOffsetsWindowsUses) {
  DriveLayoutInfo written;
  written.PartitionStyle = layout::kStyleGpt;
  written.PartitionCount = 2;
  written.GptMaxPartitionCount = 128;
  written.entries = {FakeSeam::GptEntry(1, 100 * 1024 * 1024, L"EFI system partition"),
                     FakeSeam::GptEntry(2, 0x123456789LL, L"Basic data partition")};
  written.entries[1].StartingOffset = 0x100000;
  written.entries[1].Gpt.Attributes = 0x8000000000000001ULL;
  written.entries[1].Gpt.PartitionType.data1 = 0xEBD0A0A2;
  std::vector<uint8_t> bytes = WriteDriveLayout(written);

  ASSERT_EQ(bytes.size(), 48u + 2 * 144u);
  EXPECT_EQ(bytes[4], 2);                               // PartitionCount
  EXPECT_EQ(bytes[40], 128);                            // Gpt.MaxPartitionCount
  const size_t second = 48 + 144;
  EXPECT_EQ(bytes[second + 0], 1);                      // PartitionStyle GPT
  EXPECT_EQ(bytes[second + 10], 0x10);                  // StartingOffset 0x100000
  EXPECT_EQ(bytes[second + 16], 0x89);                  // PartitionLength, low byte first
  EXPECT_EQ(bytes[second + 20], 0x01);
  EXPECT_EQ(bytes[second + 24], 2);                     // PartitionNumber
  EXPECT_EQ(bytes[second + 32], 0xA2);                  // Gpt.PartitionType
  EXPECT_EQ(bytes[second + 71], 0x80);                  // Gpt.Attributes, high byte
  EXPECT_EQ(bytes[second + 72], 'B');                   // Gpt.Name in UTF-16
  EXPECT_EQ(bytes[second + 73], 0);
  EXPECT_EQ(bytes[second + 74], 'a');

  DriveLayoutInfo read = ReadDriveLayout(bytes);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(read.entries[0].Gpt.Name, L"EFI system partition");
  EXPECT_EQ(read.entries[1].PartitionLength, 0x123456789LL);
  EXPECT_EQ(read.entries[1].Gpt.Attributes, 0x8000000000000001ULL);

  // A count larger than the buffer reads only what is there; a cut entry reads as zero.
  bytes[4] = 9;
  bytes.resize(48 + 144 + 100);
  EXPECT_EQ(ReadDriveLayout(bytes).entries.size(), 1u);
  EXPECT_EQ(ReadLayoutEntry(bytes, 1).PartitionNumber, 2u);
  EXPECT_EQ(ReadLayoutEntry(bytes, 1).Gpt.Name, L"Basic data par");   // bytes 72..99 survive
  EXPECT_EQ(ReadLayoutEntry(bytes, 5).PartitionLength, 0);
}

TEST_F(DiskTest, MbrDiskWithExtendedPartitionGetsOneRecordPerVolume) {
  AddMbrDisk0();
  TheDisk().Refresh();
  auto parts = Partitions();
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].letter, L"C:");
  EXPECT_EQ(parts[0].ghostNumber, L"1:1");
  EXPECT_EQ(parts[0].label, L"系统");
  EXPECT_EQ(parts[0].fileSystem, L"NTFS");
  EXPECT_EQ(parts[0].size, L"60.00 GB");
  EXPECT_EQ(parts[0].freeSpace, L"20.50 GB");
  EXPECT_EQ(parts[0].type, L"未知");
  EXPECT_EQ(parts[0].partitionNumber, 1);
  EXPECT_EQ(parts[0].icon, 0);
  EXPECT_EQ(parts[1].letter, L"D:");
  EXPECT_EQ(parts[1].ghostNumber, L"1:2");
  EXPECT_EQ(parts[1].label, L"本地磁盘");
  EXPECT_EQ(parts[1].icon, 1);
  EXPECT_EQ(parts[2].letter, L"E:");
  EXPECT_EQ(parts[2].ghostNumber, L"1:3");
  EXPECT_EQ(parts[2].fileSystem, L"FAT32");
  EXPECT_EQ(parts[2].layout.Mbr.PartitionType, 0x07);
  EXPECT_EQ(fake.iconsAdded, (std::vector<std::wstring>{L"C:", L"D:", L"E:"}));

  ASSERT_EQ(TheDisk().devices.size(), 1u);
  const _DEVICE& device = TheDisk().devices.front();
  EXPECT_EQ(Format(L"(HD%d) %s (%s) %s", device.diskIndex, device.size, device.letters, device.type),
            L"(HD0) 465.76GB (C: D: E: ) 未知");
}

TEST_F(DiskTest, GptDiskNumbersTheEfiPartitionAndLetteredOnes) {
  AddMbrDisk0();
  fake.AddDisk(1, layout::kStyleGpt,
               {FakeSeam::GptEntry(1, 100 << 20, L"EFI system partition"),
                FakeSeam::GptEntry(2, 16 << 20, L"Microsoft reserved partition"),
                FakeSeam::GptEntry(3, 200 * kGiB, L"Basic data partition"),
                FakeSeam::GptEntry(4, 500 << 20, L"efi lower case"),
                FakeSeam::GptEntry(5, kGiB, L"EF")},
               256 * kGiB);
  fake.AddVolume(L"F:", 1, 3);
  TheDisk().Refresh();
  auto parts = Partitions();
  ASSERT_EQ(parts.size(), 8u);
  EXPECT_EQ(parts[3].ghostNumber, L"2:1");
  EXPECT_EQ(parts[3].letter, L"");
  EXPECT_EQ(parts[3].label, L"");
  EXPECT_EQ(parts[3].fileSystem, L"");
  EXPECT_EQ(parts[3].freeSpace, L"");
  EXPECT_EQ(parts[3].icon, -1);
  EXPECT_EQ(parts[3].size, L"0.10 GB");
  EXPECT_EQ(parts[3].layout.PartitionStyle, 1u);
  EXPECT_EQ(parts[4].ghostNumber, L"");
  EXPECT_EQ(parts[5].letter, L"F:");
  EXPECT_EQ(parts[5].ghostNumber, L"2:2");
  EXPECT_EQ(parts[6].ghostNumber, L"");                 // the test is case-sensitive
  EXPECT_EQ(parts[7].ghostNumber, L"");
  ASSERT_EQ(TheDisk().devices.size(), 2u);
  EXPECT_EQ(TheDisk().devices.back().letters, L"F: ");
  EXPECT_EQ(TheDisk().devices.back().size, L"256.00GB");
}

TEST_F(DiskTest, EnumerationGoesPastGapsInTheNumbersButNotForeverAndSkipsUnreadableLayouts) {
  AddMbrDisk0();
  fake.AddDisk(2, layout::kStyleMbr, {FakeSeam::MbrEntry(1, kGiB)}, kGiB);   // a stick behind a gap
  fake.AddDisk(14, layout::kStyleMbr, {FakeSeam::MbrEntry(1, kGiB)}, kGiB);
  fake.AddDisk(40, layout::kStyleMbr, {FakeSeam::MbrEntry(1, kGiB)}, kGiB);  // 16 missing before it
  fake.disks[0].layoutFails = true;                     // error 50: no record, go on
  fake.disks[2].lengthKnown = false;
  TheDisk().Refresh();
  std::vector<int> listed;
  for (const _DEVICE& device : TheDisk().devices) listed.push_back(device.diskIndex);
  EXPECT_EQ(listed, (std::vector<int>{2, 14}));
  EXPECT_EQ(TheDisk().devices.front().size, L"");
  EXPECT_EQ(TheDisk().partitions.front().ghostNumber, L"3:1");
  EXPECT_EQ(CountPhysicalDrives(), 3);
}

TEST_F(DiskTest, LayoutsOf32And33PartitionsAreReadWhole) {
  for (uint32_t count : {32u, 33u}) {
    std::vector<PartitionInfoEx> entries;
    for (uint32_t n = 1; n <= count; ++n) entries.push_back(FakeSeam::MbrEntry(n, kGiB));
    fake.AddDisk(0, layout::kStyleMbr, entries, 64 * kGiB);
    fake.AddVolume(L"Z:", 0, count);
    TheDisk().Refresh();
    ASSERT_EQ(TheDisk().partitions.size(), count);
    EXPECT_EQ(TheDisk().partitions.back().ghostNumber, Format(L"1:%d", static_cast<int>(count)));
    EXPECT_EQ(TheDisk().devices.front().letters, L"Z: ");
  }
  EXPECT_EQ(fake.layoutRequests, (std::vector<size_t>{4800, 4800}));   // both fit the usual buffer
}

TEST_F(DiskTest, LogicalDrivesSkipFloppiesAndKeepUnopenedVolumes) {
  AddMbrDisk0();
  fake.SetDrives(L"ABCDEGH");
  fake.volumes[L'G'].open = VolumeOpen::QueryFailed;    // left out of the list
  // H: has no volume record: it does not open and stays with -1, -1.
  TheDisk().Refresh();
  std::vector<std::wstring> letters;
  for (const auto& logical : TheDisk().logicalDrives) letters.push_back(logical.letter);
  EXPECT_EQ(letters, (std::vector<std::wstring>{L"C:", L"D:", L"E:", L"H:"}));
  EXPECT_EQ(TheDisk().logicalDrives.back().diskIndex, -1);
  EXPECT_EQ(TheDisk().logicalDrives.back().partitionNumber, -1);
  EXPECT_EQ(TheDisk().GetPartitionLetter(3, 0), L"E:");
  EXPECT_EQ(TheDisk().GetPartitionLetter(4, 0), L"");
}

TEST_F(DiskTest, PartitionByLetterComparesTheWholeTextExactly) {
  AddMbrDisk0();
  TheDisk().Refresh();
  EXPECT_EQ(TheDisk().GetPartitionByLetter(L"D:").ghostNumber, L"1:2");
  _PARTITIONS none = TheDisk().GetPartitionByLetter(L"d:");
  EXPECT_EQ(none.letter, L"");
  EXPECT_EQ(none.size, L"");
  EXPECT_EQ(none.partitionNumber, 0);
  EXPECT_EQ(none.icon, 0);
  EXPECT_EQ(none.layout.PartitionLength, 0);
  EXPECT_EQ(TheDisk().GetPartitionByLetter(L"D:\\").letter, L"");
  EXPECT_EQ(TheDisk().GetPartition(9, 0).letter, L"");
}

TEST_F(DiskTest, FailedVolumeQueriesLeaveTheirTextsAsDocumented) {
  AddMbrDisk0();
  fake.volumes[L'C'].infoKnown = false;
  fake.iconFails = true;
  TheDisk().Refresh();
  const _PARTITIONS& c = TheDisk().partitions.front();
  EXPECT_EQ(c.label, L"本地磁盘");
  EXPECT_EQ(c.fileSystem, L"");
  EXPECT_EQ(c.icon, -1);
  EXPECT_EQ(TheDisk().devices.front().letters, L"C: D: E: ");
}

TEST_F(DiskTest, ALayoutLargerThanTheUsualBufferIsReportedAndReadWhole) {
  std::vector<PartitionInfoEx> entries;
  for (uint32_t n = 1; n <= 40; ++n) entries.push_back(FakeSeam::MbrEntry(n, kGiB));
  fake.AddDisk(0, layout::kStyleMbr, entries, 64 * kGiB);
  fake.AddVolume(L"C:", 0, 40);

  testing::internal::CaptureStdout();
  TheDisk().Refresh();
  std::string printed = testing::internal::GetCapturedStdout();

  EXPECT_EQ(printed, fake.WideToAnsi(L"分区数量超出32个!\n"));
  EXPECT_EQ(fake.layoutRequests, (std::vector<size_t>{4800, 9600}));
  ASSERT_EQ(TheDisk().partitions.size(), 40u);
  EXPECT_EQ(TheDisk().partitions.back().ghostNumber, L"1:40");
  EXPECT_EQ(TheDisk().partitions.back().letter, L"C:");
}

TEST_F(DiskTest, VolumeQueriesAskTheMachineEachTime) {
  AddMbrDisk0();
  fake.volumes[L'D'].partitionStyle = 1;
  StorageDeviceNumber number;
  ASSERT_TRUE(GetVolumeDeviceNumber(L"E:", &number));
  EXPECT_EQ(number.deviceNumber, 0u);
  EXPECT_EQ(number.partitionNumber, 3u);
  EXPECT_FALSE(GetVolumeDeviceNumber(L"Q:", &number));
  int style = -1;
  ASSERT_TRUE(GetVolumePartitionStyle(L"D:", &style));
  EXPECT_EQ(style, 1);
  fake.volumes[L'D'].partitionStyle = -1;
  EXPECT_FALSE(GetVolumePartitionStyle(L"D:", &style));
}
