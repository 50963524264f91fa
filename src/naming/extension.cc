#include "naming/extension.h"

#include <cstring>

#include "common/ascii.h"

namespace {

enum class LetterCase { upper, lower, none };

LetterCase case_of(char c) {
  if (is_ascii_upper(c)) return LetterCase::upper;
  if (is_ascii_lower(c)) return LetterCase::lower;
  return LetterCase::none;
}

// The case of the letter nearest before `last` (included), scanning down to
// `first` (included).
LetterCase case_of_last_letter(const char* name, size_t first, size_t last) {
  for (size_t i = last + 1; i-- > first;)
    if (LetterCase c = case_of(name[i]); c != LetterCase::none) return c;
  return LetterCase::none;
}

char in_case(char c, LetterCase letter_case) {
  if (letter_case == LetterCase::upper) return ascii_upper(c);
  if (letter_case == LetterCase::lower) return ascii_lower(c);
  return c;
}

// Writes the extension at `at` in one case and ends the name after it.
void write_extension(char* name, size_t at, std::string_view extension, LetterCase letter_case) {
  for (char c : extension) name[at++] = in_case(c, letter_case);
  name[at] = '\0';
}

}  // namespace

bool replace_extension(std::span<char> name, std::string_view extension) {
  size_t length = strnlen(name.data(), name.size());
  if (length == 0 || length == name.size()) return false;
  size_t d = length;
  while (d > 0 && name[d - 1] != '.') --d;
  if (d == 0) return true;  // no full stop
  --d;                      // the position of the last full stop
  size_t after = length - 1 - d;

  if (after == extension.size()) {
    // Letter by letter: each takes the case of the one it replaces.
    for (size_t i = 0; i < extension.size(); ++i)
      name[d + 1 + i] = in_case(extension[i], case_of(name[d + 1 + i]));
    return true;
  }
  if (d + 1 + extension.size() >= name.size()) return false;
  LetterCase letter_case = d == 0 ? LetterCase::none : case_of_last_letter(name.data(), 1, d);
  write_extension(name.data(), d + 1, extension, letter_case);
  return true;
}

bool add_extension(std::span<char> name, std::string_view extension) {
  size_t length = strnlen(name.data(), name.size());
  if (length == 0 || length + 1 + extension.size() >= name.size()) return false;
  LetterCase letter_case = case_of_last_letter(name.data(), 0, length - 1);
  name[length] = '.';
  write_extension(name.data(), length + 1, extension, letter_case);
  return true;
}

bool has_image_extension(std::string_view name) {
  return ends_with_any_case(name, ".bmp") || ends_with_any_case(name, ".png");
}
