// The window the user works in, which owns the message boxes and shell windows we raise.
#pragma once

#include <windows.h>

// The main window, or, while a modal window of ours has it disabled, that modal window
// (followed through nested modal windows). A box owned by the main window while a modal
// dialog is up would enable the main window again when it closes.
HWND UserWindow(HWND mainWindow);
