// The image count and the image list of a WIM file.
#include "deploy/wim_images.h"

#include "deploy/wim_image_xml.h"

bool CountWimImages(const std::wstring& path, uint32_t* count, uint32_t* error) {
  const WimFileHandle file = OpenWimFile(path, wim::GenericRead, wim::OpenExisting, wim::CompressNone, error);
  return file && TheImaging().WimImageCount(file.get(), count);
}

WimImageList ListWimImages(const WimFileHandle& file, uint32_t count) {
  std::wstring xml;
  TheImaging().WimImageInformation(file.get(), &xml);
  WimImageList images;
  for (uint32_t index = 1; index <= count; ++index) {
    if (!LoadWimImage(file, index)) continue;
    _WIMAGEINFO info;
    info.index = static_cast<int>(index);
    ParseImageInfo(xml, info.index, &info.name, &info.description);
    images.push_back(info);
  }
  return images;
}
