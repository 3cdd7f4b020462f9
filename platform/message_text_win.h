// The system's own text for an error code on Windows.
#pragma once

#include <cstdint>
#include <string>

// FormatMessageW from the system's table in the user's language (falling back as
// Windows does), without its line end; empty for a code the system has no text for.
std::wstring FormatMessageText(uint32_t code);
