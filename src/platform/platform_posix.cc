#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <climits>
#include <cstdlib>

#if defined(__linux__) && defined(SYS_openat2)
#include <linux/openat2.h>
#endif

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"

static void fill_status(const struct stat& st, FileStatus* status) {
  status->size = static_cast<uint64_t>(st.st_size);
  if (S_ISDIR(st.st_mode))
    status->kind = EntryKind::folder;
  else if (S_ISREG(st.st_mode))
    status->kind = EntryKind::file;
  else
    status->kind = EntryKind::other;
  status->id.device = static_cast<uint64_t>(st.st_dev);
  status->id.index = static_cast<uint64_t>(st.st_ino);
  status->mode = static_cast<uint32_t>(st.st_mode & 07777);
}

int get_file_status(const char* path, FileStatus* status) {
  struct stat st;
  if (stat(path, &st) != 0) return -1;
  fill_status(st, status);
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
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

// Empties an opened file when it is a plain file; anything else (a pipe, a
// device) is closed and refused.
static int empty_plain_file(FileHandle opened, FileHandle* file) {
  const int fd = descriptor(opened);
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

int open_folder(const char* path, FolderHandle* folder) {
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  folder->value = fd;
  return 0;
}

int open_folder_at(const FolderHandle& parent, const char* name, FolderHandle* folder) {
  int fd = openat(static_cast<int>(parent.value), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno;
  folder->value = fd;
  return 0;
}

FolderCreation make_folder_at(const FolderHandle& parent, const char* name) {
  if (mkdirat(static_cast<int>(parent.value), name, 0777) == 0) return FolderCreation::created;
  if (errno == EEXIST) return FolderCreation::exists;
  if (errno == ENOENT) return FolderCreation::parent_missing;
  return FolderCreation::failed;
}

void close_folder(FolderHandle* folder) {
  if (folder->value >= 0) close(static_cast<int>(folder->value));
  folder->value = -1;
}

// O_NOFOLLOW: a link could lead anywhere, outside the destination too.
// O_NONBLOCK: a pipe without a reader fails at once instead of waiting.
int open_file_for_writing_at(const FolderHandle& folder, const char* name, WriteMode mode, FileHandle* file) {
  const int at = static_cast<int>(folder.value);
  int fd;
  if (mode == WriteMode::replace_plain_file) {
    fd = openat(at, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  } else {
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (mode == WriteMode::create_new ? O_EXCL : O_TRUNC);
    fd = openat(at, name, flags, 0666);
  }
  if (fd < 0) return errno;
  FileHandle opened;
  opened.value = fd;
  if (mode == WriteMode::replace_plain_file) return empty_plain_file(opened, file);
  *file = opened;
  return 0;
}

int create_new_file_below(const FolderHandle& folder, const char* relative, FileHandle* file) {
#if defined(__linux__) && defined(SYS_openat2)
  // openat2 resolves the whole path refusing every link on the way.
  open_how how{};
  how.flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  how.mode = 0666;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
  long fd = syscall(SYS_openat2, static_cast<int>(folder.value), relative, &how, sizeof how);
  if (fd >= 0) {
    file->value = fd;
    return 0;
  }
  // Kernels before 5.6, or a sandbox that forbids the call.
  return errno == ENOSYS || errno == EPERM || errno == E2BIG ? ENOSYS : errno;
#else
  (void)folder, (void)relative, (void)file;
  return ENOSYS;
#endif
}

int open_file_for_reading_at(const FolderHandle& folder, const char* name, FileHandle* file) {
  int fd = openat(static_cast<int>(folder.value), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

int open_file_for_reading_in(const FolderHandle& folder, const char* name, FileHandle* file) {
  int fd = openat(static_cast<int>(folder.value), name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

int get_file_status_at(const FolderHandle& folder, const char* name, FileStatus* status) {
  struct stat st;
  if (fstatat(static_cast<int>(folder.value), name, &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  fill_status(st, status);
  return 0;
}

int rename_file_at(const FolderHandle& folder, const char* from, const char* to) {
  if (int injected = ask_system_call_hook(SystemCall::rename, to); injected != 0) return injected;
  const int at = static_cast<int>(folder.value);
  return renameat(at, from, at, to) == 0 ? 0 : errno;
}

int remove_file_at(const FolderHandle& folder, const char* name) {
  return unlinkat(static_cast<int>(folder.value), name, 0) == 0 ? 0 : errno;
}

int sync_file(FileHandle file) {
  if (int injected = ask_system_call_hook(SystemCall::sync_file, ""); injected != 0) return injected;
  return fsync(descriptor(file)) == 0 ? 0 : errno;
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

int read_file_part(FileHandle file, void* buffer, size_t size, size_t* done) {
  ssize_t got;
  while ((got = read(descriptor(file), buffer, size)) < 0 && errno == EINTR) {
  }
  *done = got > 0 ? static_cast<size_t>(got) : 0;
  return got < 0 ? errno : 0;
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

int get_open_file_status(FileHandle file, FileStatus* status) {
  struct stat st;
  if (fstat(descriptor(file), &st) != 0) return errno;
  fill_status(st, status);
  return 0;
}

int get_folder_status(const FolderHandle& folder, FileStatus* status) {
  struct stat st;
  if (fstat(static_cast<int>(folder.value), &st) != 0) return errno;
  fill_status(st, status);
  return 0;
}

int set_file_mode(FileHandle file, uint32_t mode) {
  return fchmod(descriptor(file), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int duplicate_folder(const FolderHandle& folder, FolderHandle* copy) {
  int fd = fcntl(static_cast<int>(folder.value), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return errno;
  copy->value = fd;
  return 0;
}

int sync_file_system(const FolderHandle& folder) {
  if (int injected = ask_system_call_hook(SystemCall::sync_file_system, ""); injected != 0) return injected;
#if defined(__linux__)
  return syncfs(static_cast<int>(folder.value)) == 0 ? 0 : errno;
#else
  (void)folder;
  return ENOSYS;
#endif
}

int sync_folder(const FolderHandle& folder) {
  if (int injected = ask_system_call_hook(SystemCall::sync_folder, ""); injected != 0) return injected;
  return fsync(static_cast<int>(folder.value)) == 0 ? 0 : errno;
}

// A descriptor of its own: flock belongs to the open file, so a lock taken
// on the folder's handle would be shared by every copy of that handle.
int lock_folder(const FolderHandle& folder, bool wait, FolderLock* lock) {
  if (int injected = ask_system_call_hook(SystemCall::lock, ""); injected != 0) return injected;
  int fd = openat(static_cast<int>(folder.value), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int result;
  while ((result = flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB))) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    int error_number = errno == EAGAIN ? EWOULDBLOCK : errno;
    close(fd);
    return error_number;
  }
  lock->value = fd;
  return 0;
}

int lock_file(FileHandle file, bool wait) {
  if (int injected = ask_system_call_hook(SystemCall::lock, ""); injected != 0) return injected;
  int result;
  while ((result = flock(descriptor(file), LOCK_EX | (wait ? 0 : LOCK_NB))) != 0 && errno == EINTR) {
  }
  if (result == 0) return 0;
  return errno == EAGAIN ? EWOULDBLOCK : errno;
}

uint64_t current_process_id() {
  return static_cast<uint64_t>(getpid());
}

bool process_is_running(uint64_t id) {
  if (id == 0 || id > static_cast<uint64_t>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

void unlock_folder(FolderLock* lock) {
  if (lock->value >= 0) close(static_cast<int>(lock->value));
  lock->value = -1;
}

int resolve_folder_path(const char* path, std::string* resolved) {
  char* real = realpath(path, nullptr);
  if (real == nullptr) return errno;
  *resolved = real;
  std::free(real);
  if (resolved->size() > 1 && resolved->back() == '/') resolved->pop_back();
  return 0;
}

// Terminals take the program's bytes as they are.
void open_console_text(ConsoleText* text) {
  text->out = stdout;
  text->err = stderr;
}

void close_console_text(ConsoleText* text) {
  std::fflush(text->out);
  std::fflush(text->err);
}

// A terminal window is no console of one program's own here.
uint32_t console_process_count() {
  return 0;
}

void wait_for_enter() {
  int c;
  do c = std::getchar();
  while (c != '\n' && c != EOF);
}
