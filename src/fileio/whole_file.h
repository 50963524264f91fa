// Whole-file input and output and folder creation. Each operation prints its
// own failure on the error stream, mostly without a line break so that the
// caller's message continues the same line, and returns a small code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

// A file loaded whole: one heap block of exactly the file's size, released
// with release_loaded_file.
struct LoadedFile {
  uint8_t* bytes = nullptr;
  uint32_t size = 0;
};

// Loads the whole file. Returns 0 with `file` filled, or 1 after a message;
// on failure nothing is handed out.
int read_whole_file(const char* path, LoadedFile* file, FILE* err);

void release_loaded_file(LoadedFile* file);

// Returns 0 when the file begins with `expected`, 2 when it does not (or is
// shorter, in which case nothing is read and nothing is printed), 1 after a
// message when it cannot be checked.
int compare_file_prefix(const char* path, std::span<const uint8_t> expected, FILE* err);

// Writes item_count items of item_size bytes as the whole content of the
// file, replacing what it held, unless the file exists and begins with
// `protected_prefix` (when one is given): such a file is left as it is.
// Returns 0, or 1 after a message.
int write_whole_file(const char* path, const void* data, uint32_t item_size,
                     uint32_t item_count, FILE* err,
                     std::span<const uint8_t> protected_prefix = {});

// Asks for every folder along the path, shortest prefix first: one folder for
// each separator in it. Prefixes that exist already or cannot be created (a
// drive name, the empty name before a leading separator) are passed over in
// silence; the part after the last separator is never created.
void create_path_folders(std::string_view path, char separator);
