// Fixed-size path buffers. Every path the program forms lives in one of these
// and every append is bounded: a path that would not fit is refused, never cut.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "platform/platform.h"

// The longest path: 259 characters, counted as the system counts them:
// bytes on POSIX, UTF-16 units on Windows, whose paths are UTF-8 inside the
// program. A buffer holds them and the terminating zero; a UTF-16 unit
// takes at most 3 bytes of UTF-8 (a pair of them 4).
inline constexpr size_t kMaxPathLength = 259;
#ifdef _WIN32
inline constexpr size_t kPathBufferSize = 3 * kMaxPathLength + 1;
#else
inline constexpr size_t kPathBufferSize = kMaxPathLength + 1;
#endif

// The length of a path as kMaxPathLength counts it.
size_t path_units(std::string_view text);

struct PathBuffer {
  char text[kPathBufferSize] = {};
  size_t length = 0;
};

inline std::string_view path_view(const PathBuffer& path) {
  return {path.text, path.length};
}

// Replaces the content. Returns false, leaving the buffer unchanged, when the
// text does not fit: longer than kMaxPathLength, or than the buffer.
bool path_assign(PathBuffer* path, std::string_view text);

// Appends each piece in turn. Returns false, leaving the buffer unchanged, when
// the result would not fit.
bool path_append(PathBuffer* path, std::string_view piece);
bool path_append(PathBuffer* path, std::string_view piece1, std::string_view piece2);

// Says that the path `start` followed by `rest` is too long: the one
// message for every path either program would form and cannot.
void print_path_too_long(FILE* err, std::string_view start, std::string_view rest = {});

// Makes a folder path end in exactly one separator: a run of trailing
// separators collapses to one and a path without one gains one. The first
// byte is never looked at, so a path made only of separators becomes two of
// them. Returns the length the path has after that, without changing
// anything; an empty path has no defined form and gives 0.
size_t folder_path_length(std::string_view path);

// Stores `path` in the buffer in the form folder_path_length describes.
// Returns false when that form does not fit or the path is empty.
bool path_assign_folder(PathBuffer* buffer, std::string_view path);
