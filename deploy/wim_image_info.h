// One image inside a WIM file, as the imaging engine reads it and the image chooser shows it.
#pragma once

#include <list>
#include <string>

struct _WIMAGEINFO {
  std::wstring name;          // the image's NAME element
  std::wstring description;   // the image's DESCRIPTION element
  int index = 0;              // the image's number in the file, from 1
};

using WimImageList = std::list<_WIMAGEINFO>;
