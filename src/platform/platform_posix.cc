#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"

int get_file_status(const char* path, FileStatus* status) {
  struct stat st;
  if (stat(path, &st) != 0) return -1;
  status->size = static_cast<uint64_t>(st.st_size);
  if (S_ISDIR(st.st_mode))
    status->kind = EntryKind::folder;
  else if (S_ISREG(st.st_mode))
    status->kind = EntryKind::file;
  else
    status->kind = EntryKind::other;
  status->id.device = static_cast<uint64_t>(st.st_dev);
  status->id.index = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int probe_folder(const char* path) {
  DIR* dir = opendir(path);
  if (dir == nullptr) return errno != 0 ? errno : -1;
  closedir(dir);
  return 0;
}

int list_folder(const char* path, std::vector<FolderEntry>* entries) {
  DIR* dir = opendir(path);
  if (dir == nullptr) return errno != 0 ? errno : -1;
  while (const dirent* entry = readdir(dir)) {
#ifdef DT_REG
    // d_type is DT_UNKNOWN on file systems that do not fill it in.
    entries->push_back({entry->d_name, entry->d_type == DT_REG});
#else
    entries->push_back({entry->d_name, false});
#endif
  }
  closedir(dir);
  return 0;
}

FolderCreation make_folder(const char* path) {
  if (mkdir(path, 0777) == 0) return FolderCreation::created;
  if (errno == EEXIST) return FolderCreation::exists;
  if (errno == ENOENT) return FolderCreation::parent_missing;
  return FolderCreation::failed;
}

static int descriptor(FileHandle file) {
  return static_cast<int>(file.value);
}

int open_file_for_reading(const char* path, FileHandle* file) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

// O_NOFOLLOW: a link could lead anywhere, outside the destination too.
// O_NONBLOCK: a pipe without a reader fails at once instead of waiting.
static int open_plain_file_for_replacing(const char* path, FileHandle* file) {
  int fd = open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat st;
  int error_number = 0;
  if (fstat(fd, &st) != 0)
    error_number = errno;
  else if (!S_ISREG(st.st_mode))
    error_number = EINVAL;
  else if (ftruncate(fd, 0) != 0)
    error_number = errno;
  if (error_number != 0) {
    close(fd);
    return error_number;
  }
  file->value = fd;
  return 0;
}

int open_file_for_writing(const char* path, WriteMode mode, FileHandle* file) {
  if (mode == WriteMode::replace_plain_file) return open_plain_file_for_replacing(path, file);
  int flags = O_WRONLY | O_CREAT | (mode == WriteMode::create_new ? O_EXCL : O_TRUNC);
  int fd = open(path, flags, 0666);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

int get_open_file_size(FileHandle file, uint64_t* size) {
  struct stat st;
  if (fstat(descriptor(file), &st) != 0) return -1;
  *size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int read_file(FileHandle file, void* buffer, size_t size, size_t* done) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  *done = 0;
  while (*done < size) {
    ssize_t got = read(descriptor(file), bytes + *done, size - *done);
    if (got < 0) return errno;
    if (got == 0) break;  // end of file
    *done += static_cast<size_t>(got);
  }
  return 0;
}

int write_file(FileHandle file, const void* data, size_t size, size_t* done) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  *done = 0;
  while (*done < size) {
    ssize_t put = write(descriptor(file), bytes + *done, size - *done);
    if (put < 0) return errno;
    if (put == 0) return EIO;  // no progress: report it rather than loop
    *done += static_cast<size_t>(put);
  }
  return 0;
}

int close_file(FileHandle file) {
  return close(descriptor(file)) == 0 ? 0 : errno;
}
