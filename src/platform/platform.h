// The only place that talks to the operating system about folders and file
// status. Everything else uses these functions and the separator constant,
// so a port touches this header's implementation files only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

enum class EntryKind : uint8_t { file, folder, other };

// Identifies a folder independently of the path that reached it, so that a
// walk can tell when a link leads back into a folder it is already inside.
struct FolderId {
  uint64_t device = 0;
  uint64_t index = 0;
};

inline bool operator==(const FolderId& a, const FolderId& b) {
  return a.device == b.device && a.index == b.index;
}

struct FileStatus {
  uint64_t size = 0;
  EntryKind kind = EntryKind::file;  // `other`: a device, pipe or socket
  FolderId id;
};

// Status of the file or folder a path names, links followed. Returns 0, or
// -1 when it cannot be read.
int get_file_status(const char* path, FileStatus* status);

// Opens the folder as a listing and closes it again. Returns 0 when it
// opens, otherwise the error number the open left (ENOENT, EACCES, ENOTDIR,
// ENFILE, EMFILE, ENAMETOOLONG or any other).
int probe_folder(const char* path);

// Reads the names of every entry of a folder ("." and ".." included, if the
// system lists them), in the order the system gives. Returns 0, or the
// error number of a failed open; an entry that cannot be read ends the list.
int list_folder(const char* path, std::vector<std::string>* names);

// Creates a file for writing ("wb") only if it does not exist yet. Returns
// the stream, or nullptr: with *existed set when the file was already there
// (it is left untouched), otherwise for any other failure.
FILE* create_new_file(const char* path, bool* existed);

// Creates one folder. Returns 0, or -1 when it could not be created (it
// exists already, its parent is missing, ...).
int make_folder(const char* path);
