// The program's version as its own version resource gives it, and whether the DOS
// stage's payload is complete: what the About box and /version tell.
#pragma once

#include <string>

// "1.0.0.0" from the version resource of the running program; the version it was built
// as when the resource cannot be read.
std::wstring ProgramVersion();

// "DOS 安装环境：完整" or "DOS 安装环境：不完整".
std::wstring PayloadStateLine();

// For an incomplete payload: what the program cannot do without it and what a packager
// must supply (the files, where they go, RIGMATE_PAYLOAD_DIR), in lines; empty when the
// payload is complete.
std::wstring PayloadMissingText();
