// Whole-file input and output and folder creation. Each operation prints its
// own failure on the error stream, mostly without a line break so that the
// caller's message continues the same line, and returns a small code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "common/byte_buffer.h"
#include "platform/platform.h"

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

// Checks that the file begins with `expected` and, when it does, loads it
// whole into `buffer`, opening it once: compare_file_prefix followed by
// read_whole_file, with the same messages. With no buffer the file is only
// checked. Returns 0 (with `contents` set to the file's bytes, valid until
// the buffer is used again, when loading); 2 when the file does not begin
// with `expected` (or is shorter: then nothing is read and nothing
// printed); 1 after one of compare_file_prefix's messages when it cannot be
// checked; 3 after one of read_whole_file's messages when it was checked
// but cannot be loaded.
int check_and_load_file(const char* path, std::span<const uint8_t> expected, ByteBuffer* buffer,
                        std::span<const uint8_t>* contents, FILE* err);

// Writes item_count items of item_size bytes as the whole content of the
// file `name` in `folder`, replacing what it held, unless the file exists
// and begins with `protected_prefix` (when one is given): such a file is left
// as it is. What stands at the name is never followed if it is a link; with
// a prefix it is replaced only when it is a plain file, never a pipe or a
// device. Messages name the file by `path`. Returns 0, or 1 after a message.
int write_whole_file(const FolderHandle& folder, const char* name, const char* path, const void* data,
                     uint32_t item_size, uint32_t item_count, FILE* err,
                     std::span<const uint8_t> protected_prefix = {});

// Opens the file `name` in `folder` for writing as write_whole_file does,
// for a file written in pieces with write_file_piece and closed with
// write_opened_file. Returns 0, or 1 after write_whole_file's message.
int open_whole_file_for_writing(const FolderHandle& folder, const char* name, const char* path, FileHandle* file,
                                FILE* err, std::span<const uint8_t> protected_prefix = {});

// Loads the whole file `name` in `folder` into `buffer`, without following
// a link there, and without a message: for files the caller may do without.
// Returns 0 with `contents` set, or the error number (ENOENT when there is
// no such file, ELOOP for a link).
int load_file_at(const FolderHandle& folder, const char* name, ByteBuffer* buffer,
                 std::span<const uint8_t>* contents);

// Writes `size` bytes to the file just opened for writing and closes it,
// with write_whole_file's messages. Returns 0, or 1 after a message.
int write_opened_file(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Writes `size` more bytes to a file open for writing. Returns 0, or 1 after
// write_whole_file's message, the file then closed.
int write_file_piece(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Replaces the file `name` in `folder` by `data` in one step: the data goes
// to a new file beside it, reaches the disk, and is renamed over it, so that
// at any moment the file is either the whole old one or the whole new one. A
// failure leaves the old file as it was and no new file behind. Returns 0,
// or 1 after a message that names the file by `path`.
int replace_whole_file(const FolderHandle& folder, const char* name, const char* path,
                       std::span<const uint8_t> data, FILE* err);

// Makes every folder along the path exist, as asking for each prefix that
// ends before a separator, shortest first, would: prefixes that exist
// already or cannot be created (a drive name, the empty name before a
// leading separator) are passed over in silence; the part after the last
// separator is never created. The deepest folder is asked for first, and
// the others only when that fails for another reason than existing already,
// so that the usual case, a new folder in an existing one, costs one call.
void create_path_folders(std::string_view path, char separator);
