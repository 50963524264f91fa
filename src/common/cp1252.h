// Windows-1252, the code page of the Western Windows the game's files were
// made on: names stored in PIX files and TWT archives are its bytes. Where
// a name must become Unicode (a file name on Windows, the page of -html),
// each byte becomes the character it stands for there, the same on every
// machine whatever its locale. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 ... U+009D, as
// Windows maps them, so that every byte has a character and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The Unicode character of a byte.
char32_t cp1252_character(uint8_t byte);

// Appends the name's bytes to `utf8` as UTF-8, each the character it stands
// for (bytes below 0x80 as they are).
void append_cp1252_as_utf8(std::string_view bytes, std::string* utf8);

// The same into `utf8`, which has room for 3 bytes for each byte, without
// allocating; or, when `keep_utf8`, the text's valid UTF-8 sequences as they
// are and only the other bytes as their characters: for paths the file
// system gives, which are UTF-8 on most systems but may hold any byte.
// Either way the result is valid UTF-8. Returns its length.
size_t copy_as_utf8(std::string_view bytes, bool keep_utf8, char* utf8);

// The inverse: appends the byte of each character of `utf8` to `bytes`.
// Returns false, with `bytes` as it was, when the text is no valid UTF-8 or
// holds a character the code page has no byte for.
bool append_utf8_as_cp1252(std::string_view utf8, std::string* bytes);
