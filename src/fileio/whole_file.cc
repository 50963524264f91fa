#include "fileio/whole_file.h"

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

// Opens the file and reads its size from its status, with the messages both
// readers share. Returns the open file, or nullptr after a message.
static FILE* open_for_reading(const char* path, uint64_t* size, FILE* err) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(err, "Couldn't read file %s", path);
    return nullptr;
  }
  FileStatus status;
  if (get_file_status(path, &status) != 0) {
    std::fprintf(err, "Couldn't read file %s", path);
    std::fclose(file);
    return nullptr;
  }
  *size = status.size;
  return file;
}

// Reads exactly `size` bytes, then closes the file whatever happened.
// Returns 0, or 1 after a message.
static int read_and_close(FILE* file, const char* path, uint8_t* buffer, size_t size, FILE* err) {
  errno = 0;
  if (std::fread(buffer, size, 1, file) != 1) {
    int error_number = errno;
    std::fprintf(err, "Couldn't read from file %s", path);
    print_error_description(err, kReadErrorPrefix, error_number);
    std::fclose(file);
    return 1;
  }
  if (std::fclose(file) != 0) {
    std::fprintf(err, "Couldn't close file %s", path);
    return 1;
  }
  return 0;
}

int read_whole_file(const char* path, LoadedFile* loaded, FILE* err) {
  uint64_t size = 0;
  FILE* file = open_for_reading(path, &size, err);
  if (file == nullptr) return 1;
  // Sizes are 32-bit; a larger file is beyond what the format can describe.
  if (size > UINT32_MAX) {
    std::fprintf(err, "Couldn't allocate memory for the file %s", path);
    std::fclose(file);
    return 1;
  }
  // One byte at least, so that an empty file fails as a short read rather
  // than as an allocation failure.
  auto* buffer = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
  if (buffer == nullptr) {
    std::fprintf(err, "Couldn't allocate memory for the file %s", path);
    std::fclose(file);
    return 1;
  }
  if (read_and_close(file, path, buffer, size, err) != 0) {
    std::free(buffer);
    return 1;
  }
  loaded->bytes = buffer;
  loaded->size = static_cast<uint32_t>(size);
  return 0;
}

void release_loaded_file(LoadedFile* file) {
  std::free(file->bytes);
  file->bytes = nullptr;
  file->size = 0;
}

int compare_file_prefix(const char* path, std::span<const uint8_t> expected, FILE* err) {
  uint64_t size = 0;
  FILE* file = open_for_reading(path, &size, err);
  if (file == nullptr) return 1;
  if (size < expected.size()) {
    std::fclose(file);
    return 2;
  }
  auto* buffer = static_cast<uint8_t*>(std::malloc(expected.size()));
  if (buffer == nullptr) {
    std::fprintf(err, "Couldn't allocate memory for the file %s", path);
    std::fclose(file);
    return 1;
  }
  int result = read_and_close(file, path, buffer, expected.size(), err);
  if (result == 0 && std::memcmp(buffer, expected.data(), expected.size()) != 0) result = 2;
  std::free(buffer);
  return result;
}

// Whether the file begins with `prefix`. Any failure to read it counts as
// no: the open for writing that follows reports what is wrong.
static bool file_begins_with(const char* path, std::span<const uint8_t> prefix) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  uint8_t start[64];
  bool begins = prefix.size() <= sizeof start && std::fread(start, prefix.size(), 1, file) == 1 &&
                std::memcmp(start, prefix.data(), prefix.size()) == 0;
  std::fclose(file);
  return begins;
}

// Opens the file for writing, emptying it, unless it exists and begins with
// the protected prefix (then *kept is set). The common case, a file that
// does not exist yet, costs a single open.
static FILE* open_for_writing(const char* path, std::span<const uint8_t> protected_prefix, bool* kept) {
  *kept = false;
  if (protected_prefix.empty()) return std::fopen(path, "wb");
  bool existed = false;
  if (FILE* file = create_new_file(path, &existed)) return file;
  if (!existed) return nullptr;
  *kept = file_begins_with(path, protected_prefix);
  return *kept ? nullptr : std::fopen(path, "wb");
}

int write_whole_file(const char* path, const void* data, uint32_t item_size,
                     uint32_t item_count, FILE* err, std::span<const uint8_t> protected_prefix) {
  bool kept = false;
  FILE* file = open_for_writing(path, protected_prefix, &kept);
  if (file == nullptr) {
    std::fprintf(err, kept ? "Cannot open file %s for writing: it is a PIX file, which is never replaced"
                           : "Cannot open file %s for writing",
                 path);
    return 1;
  }
  errno = 0;
  if (std::fwrite(data, item_size, item_count, file) != item_count) {
    int error_number = errno;
    std::fprintf(err, "Cannot write to file %s\n", path);
    print_error_description(err, "Error: ", error_number);
    std::fclose(file);
    return 1;
  }
  if (std::fclose(file) != 0) {
    std::fprintf(err, "Error closing the file %s", path);
    return 1;
  }
  return 0;
}

void create_path_folders(std::string_view path, char separator) {
  char prefix[kPathBufferSize];
  for (size_t i = 0; i < path.size() && i < kPathBufferSize; ++i) {
    if (path[i] != separator) continue;
    std::memcpy(prefix, path.data(), i);
    prefix[i] = '\0';
    make_folder(prefix);
  }
}
