// The page's bytes on their way to its file: gathered in one buffer of a
// fixed size and written each time it fills, so that a page of any length
// costs the same memory and a few large writes. The first write that fails
// is reported; nothing is written after it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "common/byte_buffer.h"
#include "platform/platform.h"

inline constexpr size_t kPageBufferSize = size_t{64} * 1024;

struct PageWriter {
  FileHandle file;
  const char* path = "";  // the file's, for messages
  FILE* err = nullptr;
  ByteBuffer buffer;
  size_t used = 0;
  bool failed = false;  // a write failed and the file is closed
};

// Takes the file, open for writing. Returns 0, or 1 after a message (the
// file then closed) when the buffer cannot be had.
int start_page_writer(PageWriter* writer, FileHandle file, const char* path, FILE* err);

void put_text(PageWriter* writer, std::string_view text);
void put_number(PageWriter* writer, long long number);

// Text read from files and folders, as page text or as an attribute value
// in double quotes: the five bytes markup gives a meaning to become
// character references, so that no name can open or close an element.
void put_escaped(PageWriter* writer, std::string_view text);

// A path below the page's folder, its parts between `separator`s joined by
// '/', as a link (each part percent-encoded but for letters, digits and
// - . _ ~, so that no name can end the link, start a query or a fragment,
// or read as a scheme) or as text (put_escaped).
enum class PathAs : bool { text, link };
void put_path(PageWriter* writer, std::string_view path, char separator, PathAs as);

// Writes what the buffer holds and closes the file. Returns 0, or 1 when any
// write failed (after its message).
int finish_page_writer(PageWriter* writer);
