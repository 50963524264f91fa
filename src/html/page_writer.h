// The page's bytes on their way to its file: gathered in one buffer of a
// fixed size and written each time it fills, so that a page of any length
// costs the same memory and a few large writes. The first write that fails
// is reported; nothing is written after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/byte_buffer.h"
#include "platform/platform.h"

inline constexpr size_t kPageBufferSize = size_t{64} * 1024;

struct PageWriter {
  FileHandle file;
  const char* path = "";  // the file's, for messages
  FILE* err = nullptr;
  ByteBuffer buffer;
  size_t used = 0;       // kPageBufferSize when there is no buffer
  bool failed = false;  // a write failed and the file is closed
};

// Takes the file, open for writing. Returns 0, or 1 after a message (the
// file then closed) when the buffer cannot be had.
int start_page_writer(PageWriter* writer, FileHandle file, const char* path, FILE* err);

// put_text for what does not fit the buffer's room: writes the buffer out
// as it fills.
void put_text_in_pieces(PageWriter* writer, std::string_view text);

// Most pieces fit the room left: copied there at once.
inline void put_text(PageWriter* writer, std::string_view text) {
  if (text.size() > kPageBufferSize - writer->used) return put_text_in_pieces(writer, text);
  std::memcpy(writer->buffer.bytes + writer->used, text.data(), text.size());
  writer->used += text.size();
}
void put_number(PageWriter* writer, uint32_t number);

// The page's own words (or text already made UTF-8), as page text or as an
// attribute value in double quotes: the five bytes markup gives a meaning
// become character references, so that no text can open or close an
// element or an attribute.
void put_escaped(PageWriter* writer, std::string_view text);

// The same into `escaped`, which has room for kEscapedBytesPerByte bytes
// for each of the text's. Returns the length written.
inline constexpr size_t kEscapedBytesPerByte = 6;  // "&quot;"
size_t escape_text(std::string_view text, char* escaped);

// A name stored in a PIX file or a TWT archive (that fits a path buffer),
// as page text: each byte the Windows-1252 character it stands for, in
// UTF-8, escaped as put_escaped does. `text` has room for
// kEscapedBytesPerByte bytes for each of the name's. Returns the length
// written.
size_t name_text(std::string_view name, char* text);

// A path (that fits a path buffer) as page text, its parts between
// `separator`s joined by '/': its valid UTF-8 as it is and other bytes as
// their Windows-1252 characters, but for the bytes from `stored_from` on,
// which are a stored name (a TWT archive's member; npos for none). Room and
// result as for name_text.
size_t path_text(std::string_view path, char separator, size_t stored_from, char* text);

// The same path as a relative link, into `link`, which has room for 3 bytes
// for each of the path's: each part percent-encoded but for letters, digits
// and - . _ ~, so that no name can end the link, start a query or a
// fragment, or read as a scheme. Returns the link's length.
size_t link_of_path(std::string_view path, char separator, char* link);

// Writes what the buffer holds and closes the file. Returns 0, or 1 when any
// write failed (after its message).
int finish_page_writer(PageWriter* writer);
