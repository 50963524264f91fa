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

// Reads the whole plain file `name` in `folder` into `buffer`, reading
// until the file ends, without asking for its size. A pipe, device or socket is
// refused at once, never waited for: when the folder listing told that the
// entry is a plain file (`known_plain`) no status is asked for, and what
// stands there instead gives an empty or failed read. Returns 0 with
// `contents` set (valid until the buffer is used again), EINVAL for what is
// not a plain file, EFBIG past `limit` bytes, ENOMEM, or another error
// number.
int read_plain_file(const FolderHandle& folder, const char* name, bool known_plain, uint64_t limit,
                    ByteBuffer* buffer, std::span<const uint8_t>* contents);

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

// Reads up to `size` bytes from the start of the file at `path`, without
// waiting (a pipe gives what it holds, often nothing). Returns 0 with
// *done set, or the error number.
int read_file_start(const char* path, uint8_t* bytes, size_t size, size_t* done);

// What load_signed_file_at found.
enum class SignedFile : uint8_t {
  loaded,     // a plain file beginning with the signature, loaded whole
  missing,    // nothing of that name
  other,      // a plain file that does not begin with the signature
  not_plain,  // a folder, a link, a pipe, a device or a socket
  failed,     // it could not be read (*error_number says why)
};

// Opens the file `name` in `folder` without following a link or waiting,
// reads its first signature.size() bytes and, when they are the signature,
// the rest into `buffer` (any plain file, with no signature). `status`
// receives the file's status (mode included). Nothing is printed.
SignedFile load_signed_file_at(const FolderHandle& folder, const char* name, std::span<const uint8_t> signature,
                               ByteBuffer* buffer, std::span<const uint8_t>* contents, FileStatus* status,
                               int* error_number);

// Writes `size` bytes to the file just opened for writing and closes it,
// with write_whole_file's messages. Returns 0, or 1 after a message.
int write_opened_file(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Writes `size` more bytes to a file open for writing. Returns 0, or 1 after
// write_whole_file's message, the file then closed.
int write_file_piece(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Makes every folder along the path exist, as asking for each prefix that
// ends before a separator, shortest first, would: prefixes that exist
// already or cannot be created (a drive name, the empty name before a
// leading separator) are passed over in silence; the part after the last
// separator is never created. The deepest folder is asked for first, and
// the others only when that fails for another reason than existing already,
// so that the usual case, a new folder in an existing one, costs one call.
void create_path_folders(std::string_view path, char separator);
