// A fake machine whose thread code page is a few characters of code page 936, enough for
// the maps of the tests: double-byte characters whose second byte may be "|" (0x7C).
#pragma once

#include <string>
#include <utility>

#include "tests/fakes/fake_seam.h"

class Cp936Seam : public FakeSeam {
 public:
  std::wstring ThreadAnsiToWide(const std::string& bytes) override {
    std::wstring text;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c < 0x81 || i + 1 == bytes.size()) {
        text.push_back(c < 0x80 ? static_cast<wchar_t>(c) : L'?');
        continue;
      }
      wchar_t found = L'?';
      for (const auto& [pair, character] : kTable)
        if (bytes.compare(i, 2, pair) == 0) found = character;
      text.push_back(found);
      ++i;
    }
    return text;
  }
  std::string WideToThreadAnsi(const std::wstring& text) override {
    std::string bytes;
    for (wchar_t c : text) {
      std::string one(1, c < 0x80 ? static_cast<char>(c) : '?');
      for (const auto& [pair, character] : kTable)
        if (character == c) one = pair;
      bytes += one;
    }
    return bytes;
  }

 private:
  static inline const std::pair<std::string, wchar_t> kTable[] = {
      {"\x96\x7C", L'東'}, {"\x83\x7C", L'億'}, {"\xB9\xA4", L'工'}, {"\xBE\xDF", L'具'},
      {"\xCF\xB5", L'系'}, {"\xCD\xB3", L'统'}, {"\xB1\xED", L'表'}};
};
