// A disk's layout as any bytes: the buffer read on its own, written back, and read into the
// disk model the pages show, beside two drive letters on that disk.
#include "platform/disk.h"
#include "platform/drive_layout.h"
#include "tests/fakes/fake_seam.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

FakeSeam& Machine() {
  static FakeSeam* machine = [] {
    auto* fake = new FakeSeam;
    fake->AddVolume(L"C:", 0, 1);
    fake->AddVolume(L"D:", 0, 2);
    fake->AddDisk(0, layout::kStyleMbr, {}, int64_t{500} << 30);
    SetSeam(fake);
    return fake;
  }();
  return *machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> buffer(data, data + size);
  const DriveLayoutInfo read = ReadDriveLayout(buffer);
  FUZZ_CHECK(read.entries.size() <= read.PartitionCount);
  // What the writer makes of a read layout reads back the same.
  const std::vector<uint8_t> written = WriteDriveLayout(read);
  FUZZ_CHECK(WriteDriveLayout(ReadDriveLayout(written)) == written);

  Machine().disks[0].layout = buffer;
  CDisk model(false);
  FUZZ_CHECK(model.partitions.size() <= read.PartitionCount);
  for (const _PARTITIONS& partition : model.partitions) FUZZ_CHECK(partition.partitionNumber != 0);
  return 0;
}
