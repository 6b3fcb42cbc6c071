#pragma once
// ASCII letter case: the one rule by which resource names and types are compared and stored
// (only a to z change; every other character, ASCII or not, is kept).

#include <string>

namespace talvex {

// The character in upper case when it is one of the ASCII letters a to z.
template <class Char>
constexpr Char AsciiUpper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// The text with its ASCII letters a to z in upper case.
template <class Char>
std::basic_string<Char> AsciiUpper(std::basic_string<Char> text) {
  for (Char& c : text) c = AsciiUpper(c);
  return text;
}

}  // namespace talvex
