// What a WIM file holds: how many images, and each loadable image named from the file's
// image-information XML.
#pragma once

#include <cstdint>
#include <string>

#include "deploy/wim_handles.h"
#include "deploy/wim_image_info.h"

// The number of images in a WIM file; false when it cannot be opened (*error: why) or read.
bool CountWimImages(const std::wstring& path, uint32_t* count, uint32_t* error);
// The images 1 to count of an open WIM file that can be loaded, with the name and
// description its XML gives them.
WimImageList ListWimImages(const WimFileHandle& file, uint32_t count);
