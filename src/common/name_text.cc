#include "common/name_text.h"

#include "common/cp1252.h"

std::string text_of_name(std::string_view name) {
  std::string text;
  append_name_text(name, &text);
  return text;
}

#ifdef _WIN32

void append_name_text(std::string_view name, std::string* text) {
  append_cp1252_as_utf8(name, text);
}

bool name_of_text(std::string_view text, std::string* name) {
  name->clear();
  return append_utf8_as_cp1252(text, name);
}

#else

void append_name_text(std::string_view name, std::string* text) {
  text->append(name);
}

bool name_of_text(std::string_view text, std::string* name) {
  name->assign(text);
  return true;
}

#endif
