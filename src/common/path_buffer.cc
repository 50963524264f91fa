#include "common/path_buffer.h"

#include <cstring>

// memcpy must not be given the null data of an empty view, even for 0 bytes.
static void append_bytes(PathBuffer* path, std::string_view piece) {
  if (piece.empty()) return;
  std::memcpy(path->text + path->length, piece.data(), piece.size());
  path->length += piece.size();
}

size_t path_units(std::string_view text) {
#ifdef _WIN32
  // One unit for each character, two for one beyond U+FFFF (a 4-byte
  // sequence); continuation bytes add none.
  size_t units = 0;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) != 0x80 ? 1 : 0;
    units += byte >= 0xF0 ? 1 : 0;
  }
  return units;
#else
  return text.size();
#endif
}

// Whether `length` bytes holding `units` fit a buffer.
static bool fits(size_t length, size_t units) {
  return length < kPathBufferSize && units <= kMaxPathLength;
}

bool path_assign(PathBuffer* path, std::string_view text) {
  if (!fits(text.size(), path_units(text))) return false;
  path->length = 0;
  append_bytes(path, text);
  path->text[path->length] = '\0';
  return true;
}

bool path_append(PathBuffer* path, std::string_view piece) {
  return path_append(path, piece, {});
}

bool path_append(PathBuffer* path, std::string_view piece1, std::string_view piece2) {
  if (!fits(path->length + piece1.size() + piece2.size(),
            path_units(path_view(*path)) + path_units(piece1) + path_units(piece2)))
    return false;
  append_bytes(path, piece1);
  append_bytes(path, piece2);
  path->text[path->length] = '\0';
  return true;
}

// Index of the last byte to keep: walk back over trailing separators, but
// never test index 0.
static size_t last_kept_index(std::string_view path) {
  size_t i = path.size() - 1;
  while (i > 0 && path[i] == kPathSeparator) --i;
  return i;
}

size_t folder_path_length(std::string_view path) {
  if (path.empty()) return 0;
  return last_kept_index(path) + 2;
}

bool path_assign_folder(PathBuffer* buffer, std::string_view path) {
  size_t length = folder_path_length(path);
  if (length == 0 || !fits(length, path_units(path.substr(0, length - 1)) + 1)) return false;
  std::memcpy(buffer->text, path.data(), length - 1);
  buffer->text[length - 1] = kPathSeparator;
  buffer->text[length] = '\0';
  buffer->length = length;
  return true;
}

void print_path_too_long(FILE* err, std::string_view start, std::string_view rest) {
  std::fprintf(err, "ERROR: The path %.*s%.*s is too long\n", static_cast<int>(start.size()), start.data(),
               static_cast<int>(rest.size()), rest.data());
}
