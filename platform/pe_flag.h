// Whether the program runs inside a Windows PE: decided once at start-up.
#pragma once

// True (non-zero) inside a PE, where a running PECMD.EXE was seen at start-up.
// Written once by the main window's constructor, before any page exists.
extern int g_bInPE;
