// Letters as every rule of the program sees them: A to Z and a to z only,
// whatever the locale, so that names compare and change case the same way
// on every machine.
#pragma once

#include <string_view>

inline bool is_ascii_upper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool is_ascii_lower(char c) { return c >= 'a' && c <= 'z'; }

inline char ascii_upper(char c) { return is_ascii_lower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
inline char ascii_lower(char c) { return is_ascii_upper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `name` ends in `suffix`, letters compared in either case.
inline bool ends_with_any_case(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view end = name.substr(name.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i)
    if (ascii_upper(end[i]) != ascii_upper(suffix[i])) return false;
  return true;
}

// Whether `a` and `b` are the same, letters compared in either case.
inline bool equal_any_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ends_with_any_case(a, b);
}
