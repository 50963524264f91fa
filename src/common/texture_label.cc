#include "common/texture_label.h"

void print_texture_error(FILE* err, const TextureLabel& label, const char* what) {
  std::fprintf(err, "ERROR in file %s, texture %d (%.*s): %s", label.pix_path, label.number,
               static_cast<int>(label.name.size()), label.name.data(), what);
}
