#include "html/page_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "common/cp1252.h"
#include "common/path_buffer.h"
#include "fileio/whole_file.h"

namespace {

// The bytes that stand as they are: in text, all but the five that markup
// gives a meaning; in links, letters, digits and - . _ ~.
using ByteSet = std::array<bool, 256>;

constexpr ByteSet kPlainInText = [] {
  ByteSet set{};
  set.fill(true);
  for (char c : std::string_view("&<>\"'")) set[static_cast<unsigned char>(c)] = false;
  return set;
}();

constexpr ByteSet kPlainInLinks = [] {
  ByteSet set{};
  for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"))
    set[static_cast<unsigned char>(c)] = true;
  return set;
}();

// The length of the run of bytes at the start of `text` that text holds as
// they are.
size_t plain_run(std::string_view text) {
  size_t length = 0;
  while (length < text.size() && kPlainInText[static_cast<unsigned char>(text[length])]) ++length;
  return length;
}

std::string_view reference_of(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return "&#39;";
  }
}

}  // namespace

int start_page_writer(PageWriter* writer, FileHandle file, const char* path, FILE* err) {
  *writer = PageWriter{};
  writer->file = file;
  writer->path = path;
  writer->err = err;
  if (reserve_bytes(&writer->buffer, kPageBufferSize) != nullptr) return 0;
  std::fprintf(err, "Couldn't allocate memory for the file %s\n", path);
  close_file(file);
  writer->used = kPageBufferSize;
  writer->failed = true;
  return 1;
}

// After a failed write the bytes are dropped, the file being closed.
void put_text_in_pieces(PageWriter* writer, std::string_view text) {
  while (!text.empty() && !writer->failed) {
    if (writer->used == kPageBufferSize) {
      writer->failed =
          write_file_piece(writer->file, writer->path, writer->buffer.bytes, writer->used, writer->err) != FileResult::ok;
      writer->used = 0;
      continue;
    }
    const size_t length = std::min(text.size(), kPageBufferSize - writer->used);
    std::memcpy(writer->buffer.bytes + writer->used, text.data(), length);
    writer->used += length;
    text.remove_prefix(length);
  }
}

void put_number(PageWriter* writer, uint32_t number) {
  char digits[16];
  put_text(writer, {digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits)});
}

size_t escape_text(std::string_view text, char* escaped) {
  char* end = escaped;
  while (!text.empty()) {
    const size_t plain = plain_run(text);
    std::memcpy(end, text.data(), plain);
    end += plain;
    if (plain == text.size()) break;
    const std::string_view reference = reference_of(text[plain]);
    std::memcpy(end, reference.data(), reference.size());
    end += reference.size();
    text.remove_prefix(plain + 1);
  }
  return static_cast<size_t>(end - escaped);
}

void put_escaped(PageWriter* writer, std::string_view text) {
  constexpr size_t kPiece = 256;
  char escaped[kEscapedBytesPerByte * kPiece];
  for (; !text.empty(); text.remove_prefix(std::min(text.size(), kPiece)))
    put_text(writer, {escaped, escape_text(text.substr(0, kPiece), escaped)});
}

namespace {

// Bytes as UTF-8 (see copy_as_utf8), escaped.
size_t utf8_text(std::string_view bytes, size_t stored_from, char* text) {
  char utf8[3 * kPathBufferSize];
  bytes = bytes.substr(0, kPathBufferSize);
  stored_from = std::min(stored_from, bytes.size());
  size_t length = copy_as_utf8(bytes.substr(0, stored_from), true, utf8);
  length += copy_as_utf8(bytes.substr(stored_from), false, utf8 + length);
  // Only ASCII bytes, which UTF-8 keeps one for one, grow when escaped.
  return escape_text({utf8, length}, text);
}

}  // namespace

size_t name_text(std::string_view name, char* text) {
  return utf8_text(name, 0, text);
}

size_t path_text(std::string_view path, char separator, size_t stored_from, char* text) {
  const size_t length = utf8_text(path, stored_from, text);
  // No character reference, and no byte of a longer UTF-8 sequence, is a separator.
  if (separator != '/') std::replace(text, text + length, separator, '/');
  return length;
}

size_t link_of_path(std::string_view path, char separator, char* link) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char* end = link;
  while (!path.empty()) {
    size_t plain = 0;
    while (plain < path.size() && kPlainInLinks[static_cast<unsigned char>(path[plain])]) ++plain;
    std::memcpy(end, path.data(), plain);
    end += plain;
    if (plain == path.size()) break;
    const auto byte = static_cast<unsigned char>(path[plain]);
    if (path[plain] == separator) {
      *end++ = '/';
    } else {
      *end++ = '%';
      *end++ = kHex[byte >> 4];
      *end++ = kHex[byte & 15];
    }
    path.remove_prefix(plain + 1);
  }
  return static_cast<size_t>(end - link);
}

int finish_page_writer(PageWriter* writer) {
  if (!writer->failed &&
      write_opened_file(writer->file, writer->path, writer->buffer.bytes, writer->used, writer->err) != FileResult::ok)
    writer->failed = true;
  writer->used = kPageBufferSize;
  release_bytes(&writer->buffer);
  return writer->failed ? 1 : 0;
}
