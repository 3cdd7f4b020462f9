// The mount sequences of the imaging API, with their diagnostics.
#include "deploy/wim_mount.h"

#include <cstdio>

#include "deploy/wim_handles.h"
#include "platform/format.h"
#include "platform/seam.h"
#include "platform/system.h"

namespace {

// A failed call that left no error code still fails: ERROR_GEN_FAILURE stands in.
constexpr uint32_t kUnknownFailure = 31;

uint32_t FailureCode(uint32_t code) { return code != 0 ? code : kUnknownFailure; }

// The imaging diagnostics are plain ASCII.
void WriteDiagnostic(const std::wstring& line) {
  std::string bytes(line.begin(), line.end());
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

// Unmounts the image behind the handles, committing nothing; the owners close them.
uint32_t Unmount(const WimImageHandle& image) {
  uint32_t error = 0;
  if (TheImaging().WimUnmountImageHandle(image.get(), 0, &error)) return 0;
  const uint32_t code = FailureCode(error);
  WriteDiagnostic(Format(L"Error 0x%x attempting to unmount the image\n", code));
  return code;
}

}  // namespace

uint32_t MountWimImage(const std::wstring& wimPath, int index, const std::wstring& folder, std::wstring* step) {
  // The diagnostic on standard output, and the step for the user's message.
  auto fail = [step](uint32_t error, const wchar_t* diagnostic, const wchar_t* what) {
    const uint32_t code = FailureCode(error);
    WriteDiagnostic(Format(diagnostic, code));
    if (step) *step = what;
    return code;
  };
  Seam& seam = TheSeam();
  const std::wstring temp = seam.TempPath();
  if (temp.empty())
    return fail(seam.LastError(), L"Error 0x%08x while attempting to determine temporary path.\n", L"确定临时文件夹时出错");
  uint32_t error = 0;
  const WimFileHandle file =
      OpenWimFile(wimPath, wim::GenericRead | wim::GenericMount, wim::OpenExisting, wim::CompressNone, &error);
  if (!file) return fail(error, L"Error 0x%08x while opening the WIM.\n", L"打开WIM文件时出错");
  Imaging& imaging = TheImaging();
  if (!imaging.WimSetTemporaryPath(file.get(), temp))
    return fail(seam.LastError(), L"Error 0x%08x while setting temporary path.\n", L"设置临时文件路径时出错");
  const WimImageHandle image = LoadWimImage(file, static_cast<uint32_t>(index));
  if (!image) return fail(seam.LastError(), L"Error 0x%08x while acquiring image handle.\n", L"读取镜像时出错");
  if (!imaging.WimMountImageHandle(image.get(), folder, wim::MountReadOnly, &error))
    return fail(error, L"Error 0x%08x while mounting image.\n", L"挂载镜像时出错");
  return 0;
}

uint32_t UnmountWimImage(const std::wstring& folder) {
  WimFileHandle file;
  WimImageHandle image;
  uint32_t error = 0;
  if (!MountedWimImage(folder, &file, &image, &error)) {
    const uint32_t code = FailureCode(error);
    WriteDiagnostic(Format(L"Error 0x%x attempting to obtain an image handle.\n", code));
    return code;
  }
  return Unmount(image);
}

bool RemoveStaleMount(const std::wstring& folder) {
  if (!PathExists(folder)) return false;
  uint32_t unmounted = 0;
  {
    WimFileHandle file;
    WimImageHandle image;
    uint32_t error = 0;
    // Failing here is the usual answer: nothing is mounted at the folder.
    if (!MountedWimImage(folder, &file, &image, &error)) return false;
    unmounted = Unmount(image);
  }
  // The folder was ours: once it is free (its handles closed), it goes without a question.
  return unmounted == 0 && DeletePathQuietly(folder) == 0;
}
