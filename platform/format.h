// Type-safe printf-style formatting of the program's wide text templates.
//
// The templates stay as the program writes them ("%s\\%s", "%.2f GB", "%d:%d"),
// but "%s" always means a wide string here, whichever C library we are built with.
// Supported: flags "-0", a width, a precision, and the conversions d i u x X c s f %.
// An argument of the wrong kind or a missing argument prints nothing for its field.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace fmt_detail {

struct Arg {
  enum Kind { Integer, Real, Text, Char } kind;
  explicit Arg(Kind k) : kind(k) {}
  long long integer = 0;
  double real = 0;
  std::wstring text;
  wchar_t ch = 0;
};

inline Arg MakeArg(const std::wstring& s) { Arg a{Arg::Text}; a.text = s; return a; }
inline Arg MakeArg(const wchar_t* s) { Arg a{Arg::Text}; a.text = s ? s : L""; return a; }
inline Arg MakeArg(wchar_t c) { Arg a{Arg::Char}; a.ch = c; return a; }
inline Arg MakeArg(double d) { Arg a{Arg::Real}; a.real = d; return a; }
inline Arg MakeArg(float d) { return MakeArg(static_cast<double>(d)); }
template <typename T, typename = std::enable_if_t<std::is_integral<T>::value>>
Arg MakeArg(T v) { Arg a{Arg::Integer}; a.integer = static_cast<long long>(v); return a; }

std::wstring FormatArgs(const wchar_t* format, const std::vector<Arg>& args);

}  // namespace fmt_detail

template <typename... Args>
std::wstring Format(const wchar_t* format, const Args&... args) {
  return fmt_detail::FormatArgs(format, std::vector<fmt_detail::Arg>{fmt_detail::MakeArg(args)...});
}
