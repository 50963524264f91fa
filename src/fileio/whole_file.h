// Whole-file input and output and folder creation. Every operation returns a
// FileResult. Those given an error stream print their own failure there as
// a line of its own, which the caller's message follows on the next; the
// others leave the system's reason in *error_number for the caller to tell.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "common/byte_buffer.h"
#include "platform/platform.h"

enum class FileResult : uint8_t {
  ok,           // read, loaded, written
  missing,      // nothing stands at the name
  other,        // a plain file that does not begin with the bytes asked for
  not_plain,    // a folder, a link, a pipe, a device or a socket stands there
  too_large,    // larger than the limit it was read with
  unreadable,   // it could not be opened, checked or read
  not_loaded,   // it was checked, and then could not be loaded whole
  not_written,  // it could not be opened, written or closed for writing
};

// Reads the whole plain file `name` in `folder` into `buffer`, reading
// until the file ends, without asking for its size. A pipe, device or socket is
// refused at once, never waited for: when the folder listing told that the
// entry is a plain file (`known_plain`) no status is asked for, and what
// stands there instead gives an empty or failed read. Returns ok with
// `contents` set (valid until the buffer is used again), not_plain,
// too_large past `limit` bytes, or unreadable with *error_number set
// (ENOMEM when the memory could not be had).
FileResult read_plain_file(const FolderHandle& folder, const char* name, bool known_plain, uint64_t limit,
                           ByteBuffer* buffer, std::span<const uint8_t>* contents, int* error_number);

// The start of a file that did not begin with the bytes asked for, and its
// size, for a caller that may take it for something else.
struct FileStart {
  uint8_t bytes[16] = {};
  size_t count = 0;  // 0 when the file is shorter than the bytes asked for: nothing was read
  uint64_t size = 0;
};

// Checks that the file at `path` begins with `expected` and, when it does,
// loads it whole into `buffer`, opening it once. Returns ok (with
// `contents` set to the file's bytes, valid until the buffer is used
// again); other when it does not begin with `expected` (or is shorter: then
// nothing is read and nothing printed), `start` (when given) then holding
// the bytes read, at most 16; unreadable after a message when it cannot be
// checked; not_loaded after a message when it was checked but cannot be
// loaded.
FileResult check_and_load_file(const char* path, std::span<const uint8_t> expected, ByteBuffer* buffer,
                               std::span<const uint8_t>* contents, FILE* err, FileStart* start = nullptr);

// Writes `size` bytes as the whole content of the file `name` in `folder`,
// replacing what it held, unless the file exists and begins with
// `protected_prefix` (when one is given): such a file is left as it is.
// What stands at the name is never followed if it is a link; with a prefix
// it is replaced only when it is a plain file, never a pipe or a device.
// Messages name the file by `path`. Returns ok, or not_written after a
// message.
FileResult write_whole_file(const FolderHandle& folder, const char* name, const char* path, const void* data,
                            uint64_t size, FILE* err, std::span<const uint8_t> protected_prefix = {});

// Opens the file `name` in `folder` for writing as write_whole_file does,
// for a file written in pieces with write_file_piece and closed with
// write_opened_file. Returns ok, or not_written after write_whole_file's
// message.
FileResult open_whole_file_for_writing(const FolderHandle& folder, const char* name, const char* path,
                                       FileHandle* file, FILE* err, std::span<const uint8_t> protected_prefix = {});

// Writes `size` bytes to the file just opened for writing and closes it,
// with write_whole_file's messages. Returns ok, or not_written after a
// message.
FileResult write_opened_file(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Writes `size` more bytes to a file open for writing. Returns ok, or
// not_written after write_whole_file's message, the file then closed.
FileResult write_file_piece(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err);

// Reads up to `size` bytes from the start of the file at `path`, without
// waiting (a pipe gives what it holds, often nothing), into `bytes`.
// Returns ok with *done set, or unreadable with *error_number set.
FileResult read_file_start(const char* path, uint8_t* bytes, size_t size, size_t* done, int* error_number);

// Opens the file `name` in `folder` without following a link or waiting,
// reads its first signature.size() bytes and, when they are the signature,
// the rest into `buffer` (any plain file, with no signature). `status`
// receives the file's status (mode included). Nothing is printed. Returns
// ok with `contents` set, missing, other, not_plain, or unreadable with
// *error_number set.
FileResult load_signed_file_at(const FolderHandle& folder, const char* name, std::span<const uint8_t> signature,
                               ByteBuffer* buffer, std::span<const uint8_t>* contents, FileStatus* status,
                               int* error_number);

// Whether a file whose first bytes are `start` (16, or all of a shorter
// file) and whose size is `size` is worth loading.
using StartJudge = bool (*)(std::span<const uint8_t> start, uint64_t size);

// load_signed_file_at for a file judged by its first 16 bytes and its size
// instead of a signature: nothing more is read of a file `judge` refuses
// (other), whatever its size; `start` then holds what was read.
FileResult load_judged_file_at(const FolderHandle& folder, const char* name, StartJudge judge, ByteBuffer* buffer,
                               std::span<const uint8_t>* contents, FileStatus* status, int* error_number,
                               FileStart* start);

// Makes every folder along the path exist, as asking for each prefix that
// ends before a separator, shortest first, would: prefixes that exist
// already or cannot be created (a drive name, the empty name before a
// leading separator) are passed over in silence; the part after the last
// separator is never created. The deepest folder is asked for first, and
// the others only when that fails for another reason than existing already,
// so that the usual case, a new folder in an existing one, costs one call.
void create_path_folders(std::string_view path, char separator);
