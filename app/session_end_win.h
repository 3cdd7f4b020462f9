// The reason Windows shows for a program that refuses the end of the session.
#pragma once

#include <windows.h>

#include <string>

// Sets (reason not empty) or clears the window's reason. Windows before Vista have no
// such reason: there the refusal stands alone.
void SetSessionEndReason(HWND window, const std::wstring& reason);
