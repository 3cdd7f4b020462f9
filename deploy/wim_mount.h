// Mounting an image of a WIM file read-only onto a folder, unmounting it, and undoing a
// mount that an earlier run left behind. Each failing step writes a diagnostic line to
// standard output, the imaging log of the program.
#pragma once

#include <cstdint>
#include <string>

// Mounts image `index` (from 1) of the WIM file read-only onto an existing folder: 0, or
// the failing step's error code, with that step in the user's words in *step when given.
uint32_t MountWimImage(const std::wstring& wimPath, int index, const std::wstring& folder,
                       std::wstring* step = nullptr);
// Unmounts the image mounted at the folder, committing nothing: 0, or the error code.
uint32_t UnmountWimImage(const std::wstring& folder);
// An image still mounted at the folder (left by an earlier run) is unmounted without
// committing anything and the folder removed; true when one was found and removed.
bool RemoveStaleMount(const std::wstring& folder);
