// How messages and the report name one texture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

struct TextureLabel {
  const char* pix_path = "";      // the PIX file's full path
  std::string_view entry_name;    // the PIX file's name in its folder
  int32_t number = 0;             // 1 for the first texture of the file
  std::string_view name;          // as stored in the file; may be empty
  std::string_view archive_name;  // the TWT archive the PIX file is a member of, or empty
};

// "ERROR in file %s, texture %d (%s): " and then `what`.
void print_texture_error(FILE* err, const TextureLabel& label, const char* what);
