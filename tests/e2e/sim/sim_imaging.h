// The imaging of the end-to-end build when a test asks for it: any existing file is a WIM
// file of one image; applying it writes "applied-image.txt" (its path) into the target
// folder; capture and mount fail with error 50.
#pragma once

#include "platform/imaging.h"

Imaging& SimImaging();
