// The console of the program that started Rigmate, for the command line's output.
#pragma once

#include <string>

// Writes the text and a line end: to the standard output when it was handed over (a
// redirection into a file or pipe, in the ANSI code page), otherwise to the console of
// the parent process (AttachConsole). Without either, nothing is written.
void WriteConsoleLine(const std::wstring& text);
// The same for standard error: refusals and failures.
void WriteErrorLine(const std::wstring& text);
