// The device instance path of a physical disk: the disk interfaces the plug-and-play
// manager lists, each asked for its disk number.
#include "platform/disk_instance_path_win.h"

#include <windows.h>
#include <setupapi.h>
#include <winioctl.h>

#include <vector>

#include "platform/seam_win.h"
#include "platform/win_handle.h"

namespace {

// setupapi.dll, loaded at the first use from the system folder: imported, it would be
// looked for beside the program first, before the program's first line runs.
struct SetupApi {
  decltype(&SetupDiGetClassDevsW) getClassDevs = nullptr;
  decltype(&SetupDiEnumDeviceInterfaces) enumInterfaces = nullptr;
  decltype(&SetupDiGetDeviceInterfaceDetailW) interfaceDetail = nullptr;
  decltype(&SetupDiGetDeviceInstanceIdW) instanceId = nullptr;
  decltype(&SetupDiDestroyDeviceInfoList) destroyList = nullptr;
  bool complete() const { return getClassDevs && enumInterfaces && interfaceDetail && instanceId && destroyList; }
};

template <typename Function>
void Bind(HMODULE module, const char* name, Function* function) {
  *function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

const SetupApi& TheSetupApi() {
  static const SetupApi api = [] {
    SetupApi loaded;
    HMODULE module = SystemLibrary(L"setupapi.dll");
    Bind(module, "SetupDiGetClassDevsW", &loaded.getClassDevs);
    Bind(module, "SetupDiEnumDeviceInterfaces", &loaded.enumInterfaces);
    Bind(module, "SetupDiGetDeviceInterfaceDetailW", &loaded.interfaceDetail);
    Bind(module, "SetupDiGetDeviceInstanceIdW", &loaded.instanceId);
    Bind(module, "SetupDiDestroyDeviceInfoList", &loaded.destroyList);
    return loaded;
  }();
  return api;
}

// GUID_DEVINTERFACE_DISK, spelled out: the headers only declare it.
const GUID kDiskInterface = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

// The disk number behind one disk interface; -1 when it does not answer.
long NumberOfInterface(const wchar_t* devicePath) {
  FileHandle device(CreateFileW(devicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  STORAGE_DEVICE_NUMBER number = {};
  DWORD returned = 0;
  if (!device || !DeviceIoControl(device.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                                  &returned, nullptr))
    return -1;
  return static_cast<long>(number.DeviceNumber);
}

}  // namespace

std::wstring DiskInstancePath(int disk) {
  const SetupApi& api = TheSetupApi();
  if (!api.complete()) return std::wstring();
  HDEVINFO set = api.getClassDevs(&kDiskInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring found;
  SP_DEVICE_INTERFACE_DATA face = {};
  face.cbSize = sizeof face;
  for (DWORD index = 0; found.empty() && api.enumInterfaces(set, nullptr, &kDiskInterface, index, &face);
       ++index) {
    DWORD needed = 0;
    api.interfaceDetail(set, &face, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    // DWORD elements: the detail record must be aligned as its first member is.
    std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!api.interfaceDetail(set, &face, detail, needed, nullptr, &device)) continue;
    if (NumberOfInterface(detail->DevicePath) != disk) continue;
    wchar_t id[512] = {};
    if (api.instanceId(set, &device, id, 512, nullptr)) found = id;
  }
  api.destroyList(set);
  return found;
}
