#include "common/texture_label.h"

#include <string>

#include "common/name_text.h"

void print_texture_error(FILE* err, const TextureLabel& label, const char* what) {
  std::string name;
  append_name_text(label.name, &name);
  std::fprintf(err, "ERROR in file %s, texture %d (%s): %s", label.pix_path, label.number, name.c_str(), what);
}
