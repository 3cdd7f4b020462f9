// The data folder "Rigmate": where it is looked for at start-up, and what the user is
// told when it is found nowhere.
#pragma once

#include <string>
#include <vector>

// The places looked at, in order: beside the program, then the root of each logical
// drive of the disk model ("C:\kit\Rigmate", "C:\Rigmate", "D:\Rigmate"…).
std::vector<std::wstring> DataFolderCandidates();
// The first candidate that holds at least one of the data folder's parts (GHO, COURSE,
// SOFTWARE, DATA, TOOL, DRIVER_GENUS, DRIVER, RUNTIME) as a folder; empty when none does.
std::wstring FindDataFolder();
// The notice for a run without a data folder: the places looked at, one a line, and
// what the folder should hold.
std::wstring NoDataFolderNotice(const std::vector<std::wstring>& lookedAt);
