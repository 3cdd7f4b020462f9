// What an engine reports when it ends: one code of the engine's own enum, and the text
// its table gives that code. The engine shows nothing of it: the page decides which box
// tells it, the command line turns the code into its exit code.
#pragma once

#include <string>

template <typename Code>
struct Outcome {
  Code code{};
  std::wstring text;   // empty when there is nothing to tell (the user's own No)
};
