// What runs before the main window: the log of changes for the whole run, and a job
// given on the command line, which runs instead of the window.
#pragma once

// Puts the log in front of the seam. With arguments, runs their job (or prints the
// usage) and returns true with the exit code: the window is not opened. Without
// arguments returns false and the window runs as always, logged the same way.
bool RunBeforeWindow(int* exitCode);
