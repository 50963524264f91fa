#include "common/texture_label.h"

#include <string>

#include "common/name_text.h"

void print_texture_error(FILE* err, const TextureLabel& label, const char* what) {
  std::fprintf(err, "ERROR in file %s, texture %d (%s): %s", label.pix_path, label.number,
               text_of_name(label.name).c_str(), what);
}
