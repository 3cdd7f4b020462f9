// Type-safe printf-style formatting of wide text templates.
#include "platform/format.h"

#include <cstdio>

namespace fmt_detail {
namespace {

struct Directive {
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = -1;
  wchar_t conversion = 0;
};

std::wstring Pad(std::wstring body, const Directive& directive, bool zeroAllowed) {
  if (static_cast<int>(body.size()) >= directive.width) return body;
  size_t fill = static_cast<size_t>(directive.width) - body.size();
  if (directive.left) return body + std::wstring(fill, L' ');
  if (directive.zero && zeroAllowed) {
    size_t sign = (!body.empty() && (body[0] == L'-' || body[0] == L'+')) ? 1 : 0;
    return body.insert(sign, std::wstring(fill, L'0'));
  }
  return std::wstring(fill, L' ') + body;
}

std::wstring Widen(const char* s) {
  std::wstring out;
  for (; *s; ++s) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*s)));
  return out;
}

// Unsigned conversions of a negative 32-bit value print its 32-bit pattern, as a
// C library does for an int argument.
unsigned long long AsUnsigned(long long v) {
  if (v < 0 && v >= -2147483648LL) return static_cast<unsigned long long>(v) & 0xFFFFFFFFULL;
  return static_cast<unsigned long long>(v);
}

std::wstring Integer(const Arg& a, const Directive& directive) {
  char buffer[40];
  switch (directive.conversion) {
    case L'x': std::snprintf(buffer, sizeof buffer, "%llx", AsUnsigned(a.integer)); break;
    case L'X': std::snprintf(buffer, sizeof buffer, "%llX", AsUnsigned(a.integer)); break;
    case L'u': std::snprintf(buffer, sizeof buffer, "%llu", AsUnsigned(a.integer)); break;
    default: std::snprintf(buffer, sizeof buffer, "%lld", a.integer); break;
  }
  std::wstring body = Widen(buffer);
  if (directive.precision >= 0) {
    size_t sign = (!body.empty() && body[0] == L'-') ? 1 : 0;
    while (static_cast<int>(body.size() - sign) < directive.precision) body.insert(sign, 1, L'0');
  }
  return Pad(body, directive, directive.precision < 0);
}

std::wstring Real(const Arg& a, const Directive& directive) {
  char buffer[400];
  int precision = directive.precision < 0 ? 6 : (directive.precision > 60 ? 60 : directive.precision);
  std::snprintf(buffer, sizeof buffer, "%.*f", precision, a.real);
  return Pad(Widen(buffer), directive, true);
}

std::wstring Text(const Arg& a, const Directive& directive) {
  std::wstring body = a.text;
  if (directive.precision >= 0 && static_cast<int>(body.size()) > directive.precision) body.resize(directive.precision);
  return Pad(body, directive, false);
}

std::wstring Field(const Arg& a, const Directive& directive) {
  switch (directive.conversion) {
    case L'd': case L'i': case L'u': case L'x': case L'X':
      if (a.kind == Arg::Integer) return Integer(a, directive);
      if (a.kind == Arg::Char) { Arg n{Arg::Integer}; n.integer = a.ch; return Integer(n, directive); }
      return L"";
    case L'f':
      if (a.kind == Arg::Real) return Real(a, directive);
      if (a.kind == Arg::Integer) { Arg r{Arg::Real}; r.real = static_cast<double>(a.integer); return Real(r, directive); }
      return L"";
    case L'c':
      if (a.kind == Arg::Char) return Pad(std::wstring(1, a.ch), directive, false);
      if (a.kind == Arg::Integer) return Pad(std::wstring(1, static_cast<wchar_t>(a.integer)), directive, false);
      return L"";
    case L's':
      if (a.kind == Arg::Text) return Text(a, directive);
      if (a.kind == Arg::Char) { Arg t{Arg::Text}; t.text.assign(1, a.ch); return Text(t, directive); }
      return L"";
    default:
      return L"";
  }
}

int ReadNumber(const wchar_t*& p) {
  int n = 0;
  while (*p >= L'0' && *p <= L'9') {
    if (n < 10000) n = n * 10 + (*p - L'0');
    ++p;
  }
  return n;
}

}  // namespace

std::wstring FormatArgs(const wchar_t* format, const std::vector<Arg>& args) {
  std::wstring out;
  size_t next = 0;
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') { out.push_back(*p); continue; }
    const wchar_t* start = p++;
    if (*p == L'%') { out.push_back(L'%'); continue; }
    Directive directive;
    for (;; ++p) {
      if (*p == L'-') directive.left = true;
      else if (*p == L'0') directive.zero = true;
      else if (*p == L'+' || *p == L' ' || *p == L'#') continue;
      else break;
    }
    directive.width = ReadNumber(p);
    if (*p == L'.') { ++p; directive.precision = ReadNumber(p); }
    while (*p == L'l' || *p == L'h' || *p == L'L' || *p == L'w') ++p;  // size prefixes mean nothing here
    directive.conversion = *p;
    if (!*p) { out.append(start); break; }
    if (next < args.size()) out += Field(args[next], directive);
    ++next;
  }
  return out;
}

}  // namespace fmt_detail
