#include "common/path_buffer.h"

#include <cstring>

// memcpy must not be given the null data of an empty view, even for 0 bytes.
static void append_bytes(PathBuffer* path, std::string_view piece) {
  if (piece.empty()) return;
  std::memcpy(path->text + path->length, piece.data(), piece.size());
  path->length += piece.size();
}

bool path_assign(PathBuffer* path, std::string_view text) {
  if (text.size() > kMaxPathLength) return false;
  path->length = 0;
  append_bytes(path, text);
  path->text[path->length] = '\0';
  return true;
}

bool path_append(PathBuffer* path, std::string_view piece) {
  return path_append(path, piece, {});
}

bool path_append(PathBuffer* path, std::string_view piece1, std::string_view piece2) {
  if (piece1.size() + piece2.size() > kMaxPathLength - path->length) return false;
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
  if (length == 0 || length > kMaxPathLength) return false;
  std::memcpy(buffer->text, path.data(), length - 1);
  buffer->text[length - 1] = kPathSeparator;
  buffer->text[length] = '\0';
  buffer->length = length;
  return true;
}
