#include "fileio/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/path_buffer.h"
#include "platform/platform.h"

// The standard error print of perror, sent to the given stream instead of the
// process's standard error: prefix, colon, blank, description, line end.
static void print_error_description(FILE* err, const char* prefix, int error_number) {
  std::fprintf(err, "%s: %s\n", prefix, std::strerror(error_number));
}

static constexpr const char* kReadErrorPrefix = "The following error has ocurred";

// Opens the file and reads its size, with the messages both readers share.
// Returns 0 with the file open, or 1 after a message.
static int open_for_reading(const char* path, FileHandle* file, uint64_t* size, FILE* err) {
  if (open_file_for_reading(path, file) != 0) {
    std::fprintf(err, "Couldn't read file %s\n", path);
    return 1;
  }
  if (get_open_file_size(*file, size) != 0) {
    std::fprintf(err, "Couldn't read file %s\n", path);
    close_file(*file);
    return 1;
  }
  return 0;
}

// Reads exactly `size` bytes. As with fread of one item of that size, a
// request for no bytes fails too, and a file that ends early fails with the
// error number 0. Returns 0, or 1 after a message; the file stays open.
static int read_exactly(FileHandle file, const char* path, uint8_t* buffer, size_t size, FILE* err) {
  size_t done = 0;
  int error_number = size == 0 ? 0 : read_file(file, buffer, size, &done);
  if (size != 0 && error_number == 0 && done == size) return 0;
  std::fprintf(err, "Couldn't read from file %s\n", path);
  print_error_description(err, kReadErrorPrefix, error_number);
  return 1;
}

// Returns 0, or 1 after a message.
static int close_after_reading(FileHandle file, const char* path, FILE* err) {
  if (close_file(file) != 0) {
    std::fprintf(err, "Couldn't close file %s\n", path);
    return 1;
  }
  return 0;
}

static void print_no_memory(FILE* err, const char* path) {
  std::fprintf(err, "Couldn't allocate memory for the file %s\n", path);
}

// The first read of a file goes into at least this much room.
static constexpr size_t kFirstReadBytes = 64 * 1024;

FileResult read_plain_file(const FolderHandle& folder, const char* name, bool known_plain, uint64_t limit,
                           ByteBuffer* buffer, std::span<const uint8_t>* contents, int* error_number_out) {
  FileHandle file;
  int& error_number = *error_number_out;
  if (error_number = open_file_for_reading_in(folder, name, &file); error_number != 0) return FileResult::unreadable;
  FileStatus status;
  error_number = known_plain ? 0 : get_open_file_status(file, &status);
  // What the file is found to be; a failure of the system's is in error_number.
  FileResult found = !known_plain && error_number == 0 && status.kind != EntryKind::file ? FileResult::not_plain
                                                                                         : FileResult::ok;
  size_t done = 0;
  if (buffer->capacity > 0) grow_bytes(buffer, 0, buffer->capacity);  // all of it usable again
  while (error_number == 0 && found == FileResult::ok) {
    if (done == buffer->capacity) {
      if (done > limit) {
        found = FileResult::too_large;
      } else if (grow_bytes(buffer, done, std::max(kFirstReadBytes, 2 * buffer->capacity)) == nullptr) {
        error_number = ENOMEM;
      }
      continue;
    }
    // A plain file's read stops short only at its end, which spares the
    // read that would find nothing. (Should a file end early all the same,
    // its image fails to decode: it is refused, never read otherwise.)
    const size_t wanted = buffer->capacity - done;
    size_t got = 0;
    error_number = read_file_part(file, buffer->bytes + done, wanted, &got);
    done += got;
    if (got < wanted) break;
  }
  close_file(file);
  if (error_number != 0) return FileResult::unreadable;
  if (found == FileResult::ok && done > limit) found = FileResult::too_large;
  if (found != FileResult::ok) return found;
  grow_bytes(buffer, done, done);  // marks what lies past the file as unusable
  *contents = {buffer->bytes, done};
  return FileResult::ok;
}

FileResult read_file_start(const char* path, uint8_t* bytes, size_t size, size_t* done, int* error_number) {
  FileHandle file;
  *done = 0;
  if (*error_number = open_file_for_reading(path, &file); *error_number != 0) return FileResult::unreadable;
  *error_number = read_file(file, bytes, size, done);
  close_file(file);
  return *error_number == 0 ? FileResult::ok : FileResult::unreadable;
}

// Room for the start of a file read to be compared; longer prefixes are read
// into a heap block.
static constexpr size_t kLocalPrefixBytes = 64;

// Reads the first expected.size() bytes of the open file into `start` and
// compares them. Returns ok when they are the same, other when they
// differ, or unreadable after a message (the file stays open).
static FileResult read_and_compare(FileHandle file, const char* path, std::span<const uint8_t> expected,
                                   uint8_t* start, FILE* err) {
  if (read_exactly(file, path, start, expected.size(), err) != 0) return FileResult::unreadable;
  return std::memcmp(start, expected.data(), expected.size()) == 0 ? FileResult::ok : FileResult::other;
}

// Reads the rest of the open file, after the first bytes already read into
// `start`, into `buffer`. Returns ok with `contents` set, or not_loaded
// after a message; the file stays open.
static FileResult load_rest(FileHandle file, const char* path, uint64_t size, std::span<const uint8_t> start,
                            ByteBuffer* buffer, std::span<const uint8_t>* contents, FILE* err) {
  uint8_t* bytes = size <= UINT32_MAX ? reserve_bytes(buffer, size) : nullptr;
  if (bytes == nullptr) {
    print_no_memory(err, path);
    return FileResult::not_loaded;
  }
  std::memcpy(bytes, start.data(), start.size());
  uint64_t rest = size - start.size();
  if (rest > 0 && read_exactly(file, path, bytes + start.size(), rest, err) != 0) return FileResult::not_loaded;
  *contents = {bytes, static_cast<size_t>(size)};
  return FileResult::ok;
}

FileResult check_and_load_file(const char* path, std::span<const uint8_t> expected, ByteBuffer* buffer,
                               std::span<const uint8_t>* contents, FILE* err, FileStart* file_start) {
  FileHandle file;
  uint64_t size = 0;
  if (open_for_reading(path, &file, &size, err) != 0) return FileResult::unreadable;
  if (file_start != nullptr) *file_start = FileStart{{}, 0, size};
  if (size < expected.size()) {
    close_file(file);
    return FileResult::other;
  }
  uint8_t local[kLocalPrefixBytes];
  uint8_t* start = expected.size() <= sizeof local ? local : static_cast<uint8_t*>(std::malloc(expected.size()));
  if (start == nullptr) {
    print_no_memory(err, path);
    close_file(file);
    return FileResult::unreadable;
  }
  // The file stays open for the load: the bytes already read are kept and
  // only the rest is read.
  FileResult result = read_and_compare(file, path, expected, start, err);
  if (result == FileResult::ok) result = load_rest(file, path, size, {start, expected.size()}, buffer, contents, err);
  if (result == FileResult::other && file_start != nullptr) {
    file_start->count = std::min(expected.size(), sizeof file_start->bytes);
    std::memcpy(file_start->bytes, start, file_start->count);
  }
  if (result == FileResult::unreadable || result == FileResult::not_loaded)
    close_file(file);
  else if (close_after_reading(file, path, err) != 0)
    result = result == FileResult::ok ? FileResult::not_loaded : FileResult::unreadable;
  if (start != local) std::free(start);
  return result;
}

// Whether the file begins with `prefix`. Any failure to read it counts as
// no: the open for writing that follows reports what is wrong.
static bool file_begins_with(const FolderHandle& folder, const char* name, std::span<const uint8_t> prefix) {
  FileHandle file;
  if (open_file_for_reading_at(folder, name, &file) != 0) return false;
  uint8_t start[kLocalPrefixBytes];
  size_t done = 0;
  bool begins = prefix.size() <= sizeof start && read_file(file, start, prefix.size(), &done) == 0 &&
                done == prefix.size() && std::memcmp(start, prefix.data(), prefix.size()) == 0;
  close_file(file);
  return begins;
}

// Opens the file for writing, emptying it, unless it exists and begins with
// the protected prefix (then *kept is set). The common case, a file that
// does not exist yet, costs a single open. Returns 0, or non-zero when the
// file is not open.
static int open_for_writing(const FolderHandle& folder, const char* name, std::span<const uint8_t> protected_prefix,
                            FileHandle* file, bool* kept) {
  *kept = false;
  if (protected_prefix.empty()) return open_file_for_writing_at(folder, name, WriteMode::replace, file);
  int error_number = open_file_for_writing_at(folder, name, WriteMode::create_new, file);
  if (error_number != EEXIST) return error_number;
  // Only a plain file is looked into or replaced: reading a pipe would wait
  // for a writer, and a link could lead outside the destination.
  FileStatus status;
  if (get_file_status_at(folder, name, &status) != 0 || status.kind != EntryKind::file) return -1;
  *kept = file_begins_with(folder, name, protected_prefix);
  return *kept ? -1 : open_file_for_writing_at(folder, name, WriteMode::replace_plain_file, file);
}

static void print_write_failure(FILE* err, const char* path, int error_number) {
  std::fprintf(err, "Cannot write to file %s\n", path);
  print_error_description(err, "Error: ", error_number);
}

FileResult open_whole_file_for_writing(const FolderHandle& folder, const char* name, const char* path,
                                       FileHandle* file, FILE* err, std::span<const uint8_t> protected_prefix) {
  bool kept = false;
  if (open_for_writing(folder, name, protected_prefix, file, &kept) != 0) {
    std::fprintf(err, kept ? "Cannot open file %s for writing: it is a PIX file, which is never replaced\n"
                           : "Cannot open file %s for writing\n",
                 path);
    return FileResult::not_written;
  }
  return FileResult::ok;
}

FileResult write_whole_file(const FolderHandle& folder, const char* name, const char* path, const void* data,
                            uint64_t size, FILE* err, std::span<const uint8_t> protected_prefix) {
  FileHandle file;
  const FileResult opened = open_whole_file_for_writing(folder, name, path, &file, err, protected_prefix);
  return opened != FileResult::ok ? opened : write_opened_file(file, path, data, size, err);
}

FileResult write_file_piece(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err) {
  size_t done = 0;
  int error_number = size == 0 ? 0 : write_file(file, data, static_cast<size_t>(size), &done);
  if (error_number != 0) {
    print_write_failure(err, path, error_number);
    close_file(file);
    return FileResult::not_written;
  }
  return FileResult::ok;
}

FileResult write_opened_file(FileHandle file, const char* path, const void* data, uint64_t size, FILE* err) {
  if (write_file_piece(file, path, data, size, err) != FileResult::ok) return FileResult::not_written;
  if (close_file(file) != 0) {
    std::fprintf(err, "Error closing the file %s\n", path);
    return FileResult::not_written;
  }
  return FileResult::ok;
}

// A file loaded when it begins with `signature`, or, with a `judge`, when
// the judge takes its first 16 bytes and its size.
static FileResult load_file_at(const FolderHandle& folder, const char* name, std::span<const uint8_t> signature,
                               StartJudge judge, ByteBuffer* buffer, std::span<const uint8_t>* contents,
                               FileStatus* status, int* error_number, FileStart* file_start) {
  FileHandle file;
  *error_number = open_file_for_reading_at(folder, name, &file);
  if (*error_number == ENOENT) return FileResult::missing;
  if (*error_number == ELOOP) return FileResult::not_plain;
  if (*error_number != 0) return FileResult::unreadable;
  FileResult found = FileResult::unreadable;
  *error_number = get_open_file_status(file, status);
  uint8_t start[kLocalPrefixBytes];
  size_t done = 0;
  const size_t wanted = judge != nullptr ? static_cast<size_t>(std::min<uint64_t>(status->size, sizeof file_start->bytes))
                                         : signature.size();
  if (*error_number == 0 && status->kind != EntryKind::file) {
    found = FileResult::not_plain;
  } else if (*error_number == 0 && (wanted > sizeof start || status->size < wanted)) {
    found = FileResult::other;
  } else if (*error_number == 0 && (*error_number = read_file(file, start, wanted, &done)) == 0) {
    const bool taken = judge != nullptr ? done == wanted && judge({start, done}, status->size)
                                        : done == wanted && (done == 0 || std::memcmp(start, signature.data(), done) == 0);
    found = taken ? FileResult::ok : FileResult::other;
    if (!taken && file_start != nullptr) {
      *file_start = FileStart{{}, std::min(done, sizeof file_start->bytes), status->size};
      std::memcpy(file_start->bytes, start, file_start->count);
    }
  }
  if (found == FileResult::ok) {
    uint8_t* bytes = status->size <= SIZE_MAX ? reserve_bytes(buffer, status->size) : nullptr;
    const size_t rest = static_cast<size_t>(status->size) - done;
    if (bytes == nullptr) {
      *error_number = ENOMEM;
    } else {
      std::memcpy(bytes, start, done);
      *error_number = read_file(file, bytes + done, rest, &done);
      if (*error_number == 0 && done != rest) *error_number = EIO;  // it changed while read
    }
    if (*error_number != 0) found = FileResult::unreadable;
    else *contents = {bytes, static_cast<size_t>(status->size)};
  }
  close_file(file);
  return found;
}

FileResult load_signed_file_at(const FolderHandle& folder, const char* name, std::span<const uint8_t> signature,
                               ByteBuffer* buffer, std::span<const uint8_t>* contents, FileStatus* status,
                               int* error_number) {
  return load_file_at(folder, name, signature, nullptr, buffer, contents, status, error_number, nullptr);
}

FileResult load_judged_file_at(const FolderHandle& folder, const char* name, StartJudge judge, ByteBuffer* buffer,
                               std::span<const uint8_t>* contents, FileStatus* status, int* error_number,
                               FileStart* start) {
  return load_file_at(folder, name, {}, judge, buffer, contents, status, error_number, start);
}

// Asks for each prefix of the path that ends before a separator, shortest
// first, within the length of a path buffer.
static void create_each_prefix(std::string_view path, char separator, char* prefix) {
  for (size_t i = 0; i < path.size() && i < kPathBufferSize; ++i) {
    if (path[i] != separator) continue;
    std::memcpy(prefix, path.data(), i);
    prefix[i] = '\0';
    make_folder(prefix);
  }
}

void create_path_folders(std::string_view path, char separator) {
  char prefix[kPathBufferSize];
  // The last separator that the prefix walk would reach.
  size_t last = path.substr(0, std::min(path.size(), kPathBufferSize)).rfind(separator);
  if (last == std::string_view::npos) return;
  std::memcpy(prefix, path.data(), last);
  prefix[last] = '\0';
  // A folder that can be created, or exists, lies in an existing folder, so
  // every shorter prefix exists too and asking for them would create nothing.
  FolderCreation deepest = make_folder(prefix);
  if (deepest == FolderCreation::created || deepest == FolderCreation::exists) return;
  create_each_prefix(path, separator, prefix);
}
