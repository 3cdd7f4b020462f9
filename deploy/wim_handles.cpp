// The owners of the imaging API's handles, made through the imaging in use.
#include "deploy/wim_handles.h"

WimFileHandle OpenWimFile(const std::wstring& path, uint32_t access, uint32_t disposition, uint32_t compression,
                          uint32_t* error) {
  Imaging& imaging = TheImaging();
  return WimFileHandle(imaging, imaging.WimCreateFile(path, access, disposition, 0, compression, error));
}

WimImageHandle LoadWimImage(const WimFileHandle& file, uint32_t index) {
  Imaging& imaging = TheImaging();
  return WimImageHandle(imaging, imaging.WimLoadImage(file.get(), index));
}

bool MountedWimImage(const std::wstring& folder, WimFileHandle* file, WimImageHandle* image, uint32_t* error) {
  Imaging& imaging = TheImaging();
  Imaging::WimHandle wim = 0, loaded = 0;
  if (!imaging.WimGetMountedImageHandle(folder, 0, &wim, &loaded, error)) return false;
  *file = WimFileHandle(imaging, wim);
  *image = WimImageHandle(imaging, loaded);
  return true;
}

WimCallbackRegistration::WimCallbackRegistration(const WimFileHandle& file, Imaging::WimCallback callback,
                                                 void* user)
    : imaging_(TheImaging()),
      file_(file.get()),
      callback_(callback),
      registered_(imaging_.WimRegisterCallback(file_, callback, user) != wim::InvalidCallbackValue) {}

WimCallbackRegistration::~WimCallbackRegistration() {
  if (registered_) imaging_.WimUnregisterCallback(file_, callback_);
}
