// The process's DLL search, limited at start-up to the system folder.
#pragma once

// Makes the DLLs that Windows loads for the program from here on (themes, shell,
// dialogs, the imaging library) come from the system folder only, never from the
// program's own or the current folder, where others may have left files of those names.
// Call it first, before anything can load a DLL.
void LimitDllSearch();
