#include "html/page_writer.h"

#include "fileio/whole_file.h"

namespace {

void flush(PageWriter* writer) {
  if (!writer->failed && writer->used > 0 &&
      write_file_piece(writer->file, writer->path, writer->buffer.bytes, writer->used, writer->err) != 0)
    writer->failed = true;
  writer->used = 0;
}

void put_byte(PageWriter* writer, char c) {
  if (writer->failed) return;
  if (writer->used == kPageBufferSize) flush(writer);
  writer->buffer.bytes[writer->used++] = static_cast<uint8_t>(c);
}

// Unreserved in URLs: the bytes a link holds as they are.
bool is_unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

void put_percent_encoded(PageWriter* writer, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (is_unreserved(byte)) {
      put_byte(writer, c);
      continue;
    }
    put_byte(writer, '%');
    put_byte(writer, kHex[byte >> 4]);
    put_byte(writer, kHex[byte & 15]);
  }
}

}  // namespace

int start_page_writer(PageWriter* writer, FileHandle file, const char* path, FILE* err) {
  *writer = PageWriter{};
  writer->file = file;
  writer->path = path;
  writer->err = err;
  if (reserve_bytes(&writer->buffer, kPageBufferSize) != nullptr) return 0;
  std::fprintf(err, "Couldn't allocate memory for the file %s", path);
  close_file(file);
  writer->failed = true;
  return 1;
}

void put_text(PageWriter* writer, std::string_view text) {
  for (char c : text) put_byte(writer, c);
}

void put_number(PageWriter* writer, long long number) {
  char digits[24];
  put_text(writer, {digits, static_cast<size_t>(std::snprintf(digits, sizeof digits, "%lld", number))});
}

void put_escaped(PageWriter* writer, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': put_text(writer, "&amp;"); break;
      case '<': put_text(writer, "&lt;"); break;
      case '>': put_text(writer, "&gt;"); break;
      case '"': put_text(writer, "&quot;"); break;
      case '\'': put_text(writer, "&#39;"); break;
      default: put_byte(writer, c);
    }
  }
}

void put_path(PageWriter* writer, std::string_view path, char separator, PathAs as) {
  for (size_t end;; path.remove_prefix(end + 1)) {
    end = path.find(separator);
    const std::string_view part = path.substr(0, end);
    if (as == PathAs::link)
      put_percent_encoded(writer, part);
    else
      put_escaped(writer, part);
    if (end == std::string_view::npos) return;
    put_byte(writer, '/');
  }
}

int finish_page_writer(PageWriter* writer) {
  if (!writer->failed &&
      write_opened_file(writer->file, writer->path, writer->buffer.bytes, writer->used, writer->err) != 0)
    writer->failed = true;
  writer->used = 0;
  release_bytes(&writer->buffer);
  return writer->failed ? 1 : 0;
}
