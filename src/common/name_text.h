// Names stored in PIX files and TWT archives are bytes, and the game's
// files were made on Western Windows. Where the system takes names and text
// as Unicode (on Windows: file names, the console), each byte of a name
// stands for its Windows-1252 character, the same on every machine whatever
// its code page; elsewhere a name's bytes are its text, as they are. Both
// programs go through here: velmire naming files and reporting, velmire-pack
// reading file names back into texture names.
#pragma once

#include <string>
#include <string_view>

// Whether append_name_text makes UTF-8 of a name, rather than keeping its
// bytes: a path built from names is then text, not bytes, throughout.
#ifdef _WIN32
inline constexpr bool kNameTextIsUtf8 = true;
#else
inline constexpr bool kNameTextIsUtf8 = false;
#endif

// Appends the text of the name (UTF-8 on Windows) to `text`.
void append_name_text(std::string_view name, std::string* text);

// The text of the name, as messages show it.
std::string text_of_name(std::string_view name);

// The name whose text `text` is, into `name`. False when a character of
// the text stands for no byte (on Windows, one outside Windows-1252).
bool name_of_text(std::string_view text, std::string* name);
