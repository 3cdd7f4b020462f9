// Whether the program runs inside a Windows PE: decided once at start-up.
#pragma once

// True (non-zero) inside a PE. Written once by the main window's constructor (or the
// command-line job) from InsidePE, before any page exists.
extern int g_bInPE;

// Whether this is a PE: the PE shell PECMD.EXE runs, or the system marks itself as one
// (the MiniNT key that every Windows PE carries, also one without PECMD).
bool InsidePE();
