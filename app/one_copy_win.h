// One running copy of the program: the staging for the next start and the mounted tool
// pack belong to the whole machine, and two copies would undo each other's.
#pragma once

#include <windows.h>

// Claims the program's name for the rest of this process; false when another copy (in
// any session) holds it. A claim that fails for another reason lets the copy run.
bool ClaimOneCopy();
// Marks this copy's main window for a second start to find (mark), or takes the mark
// off again before the window goes.
void MarkMainWindow(HWND window, bool mark);
// Brings the marked main window of the other copy (its open message box or dialog
// first) to the front, waiting up to waitMs for it while that copy is still starting;
// false when none appeared (a copy that runs a command-line job has no window).
bool BringOtherCopyForward(DWORD waitMs);
