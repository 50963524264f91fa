#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>

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

int list_folder(const char* path, std::vector<std::string>* names) {
  DIR* dir = opendir(path);
  if (dir == nullptr) return errno != 0 ? errno : -1;
  while (const dirent* entry = readdir(dir)) names->emplace_back(entry->d_name);
  closedir(dir);
  return 0;
}

FILE* create_new_file(const char* path, bool* existed) {
  *existed = false;
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) {
    *existed = errno == EEXIST;
    return nullptr;
  }
  FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

int make_folder(const char* path) {
  return mkdir(path, 0777) == 0 ? 0 : -1;
}
