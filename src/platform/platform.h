// The only place that talks to the operating system about folders, file
// status, file contents and the console. Everything else uses these functions and the
// separator constant, so a port touches this header's implementation files
// only. Error numbers are errno values (<cerrno>); a port maps the system's
// own error codes onto them.
#pragma once

#include <cstddef>
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
  uint32_t mode = 0;  // POSIX permission bits; 0 where the system has none
};

// Status of the file or folder a path names, links followed. Returns 0, or
// -1 when it cannot be read.
int get_file_status(const char* path, FileStatus* status);

// Opens the folder as a listing and closes it again. Returns 0 when it
// opens, otherwise the error number the open left (ENOENT, EACCES, ENOTDIR,
// ENFILE, EMFILE, ENAMETOOLONG or any other).
int probe_folder(const char* path);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  // True only when the listing itself tells that the entry is a plain file
  // (not a folder, link, device, pipe or socket), so that its status need
  // not be asked for; false when it tells otherwise or nothing.
  bool plain_file = false;
};

// Reads every entry of a folder ("." and ".." included, if the system lists
// them), in the order the system gives. Returns 0, or the error number of a
// failed open; an entry that cannot be read ends the list.
int list_folder(const char* path, std::vector<FolderEntry>* entries);

// What make_folder did.
enum class FolderCreation : uint8_t {
  created,
  exists,          // something of that name exists already (a folder or not)
  parent_missing,  // a folder along the path does not exist
  failed,          // any other reason
};

// Creates one folder.
FolderCreation make_folder(const char* path);

// An open file: a POSIX file descriptor, or what a port keeps instead (a
// Windows HANDLE fits the field).
struct FileHandle {
  intptr_t value = -1;
};

// Opens an existing file for reading, as binary, without waiting: a pipe
// opens at once (its reads then find nothing). Returns 0, or the error
// number.
int open_file_for_reading(const char* path, FileHandle* file);

enum class WriteMode : uint8_t {
  replace,     // created, or emptied when it exists: the "wb" of fopen
  create_new,  // created only when nothing of that name exists (else EEXIST)
  // Emptied only when it is an existing plain file, never through a
  // symbolic link at the path itself, never a pipe or a device: those are
  // refused with an error number.
  replace_plain_file,
};

// A folder held open, so that files and folders are made in it by name and
// nothing reaches them through a link: a POSIX descriptor, or on Windows a
// handle that keeps the folder from being moved or replaced while it is
// held, and its path.
struct FolderHandle {
  intptr_t value = -1;
  std::string path;  // Windows: the folder's path, without a final separator
};

// Opens the folder at `path`, links followed. Returns 0, or the error number.
int open_folder(const char* path, FolderHandle* folder);

// Opens the folder `name` inside `parent`, refusing a link (or on Windows
// any reparse point) and anything that is no folder. Returns 0, or the error
// number (ELOOP for a link, ENOTDIR for a file).
int open_folder_at(const FolderHandle& parent, const char* name, FolderHandle* folder);

// Creates the folder `name` inside `parent`, as make_folder does.
FolderCreation make_folder_at(const FolderHandle& parent, const char* name);

void close_folder(FolderHandle* folder);

// The *_at operations reach `name` inside `folder` and never follow a link
// there: a link is not opened (ELOOP), and its status is that of the link
// itself, of kind `other`. Files are opened for writing as binary.
int open_file_for_writing_at(const FolderHandle& folder, const char* name, WriteMode mode, FileHandle* file);
int open_file_for_reading_at(const FolderHandle& folder, const char* name, FileHandle* file);

// Opens the file `name` inside `folder` for reading as open_file_for_reading
// does (a link there followed, a pipe not waited for): one step of path
// lookup instead of a whole path's. Returns 0, or the error number.
int open_file_for_reading_in(const FolderHandle& folder, const char* name, FileHandle* file);
int get_file_status_at(const FolderHandle& folder, const char* name, FileStatus* status);

// Creates the new file at `relative`, a folder's name and a file name below
// `folder`, without following a link at either step. Returns 0, EEXIST when
// something stands there already, ENOSYS where the system cannot resolve a
// path that way (the caller then opens the folder itself), or another error
// number.
int create_new_file_below(const FolderHandle& folder, const char* relative, FileHandle* file);

// Replaces `to` by `from`, both inside `folder`, in one step: whoever looks
// finds either the old file or the new one. Returns 0, or the error number.
int rename_file_at(const FolderHandle& folder, const char* from, const char* to);

// Removes the file (or link) `name` inside `folder`. Returns 0, or the error number.
int remove_file_at(const FolderHandle& folder, const char* name);

// Makes the file's data reach the disk before it returns. Returns 0, or the
// error number.
int sync_file(FileHandle file);

// The size of an open file. Returns 0, or -1 when it cannot be read.
int get_open_file_size(FileHandle file, uint64_t* size);

// The status of an open file or folder. Returns 0, or the error number.
int get_open_file_status(FileHandle file, FileStatus* status);
int get_folder_status(const FolderHandle& folder, FileStatus* status);

// Gives the file the permission bits of FileStatus::mode (nothing where the
// system has none). Returns 0, or the error number.
int set_file_mode(FileHandle file, uint32_t mode);

// A second handle on an open folder, closed on its own. Returns 0, or the
// error number.
int duplicate_folder(const FolderHandle& folder, FolderHandle* copy);

// Whether sync_file_system exists here: files written before it then need
// no sync_file of their own.
#if defined(__linux__)
inline constexpr bool kSyncsFileSystems = true;
#else
inline constexpr bool kSyncsFileSystems = false;
#endif

// Makes everything written to the file system holding `folder`, and every
// rename made in it, reach the disk before it returns (ENOSYS where
// kSyncsFileSystems is false). Returns 0, or the error number of a write
// that failed.
int sync_file_system(const FolderHandle& folder);

// Makes the folder's entries (files renamed into it) reach the disk.
// Returns 0, or the error number. Windows renames write through already.
int sync_folder(const FolderHandle& folder);

// A lock on a folder, which one process at a time may hold: on POSIX
// flock on a descriptor of its own; on Windows, where a folder takes no
// byte-range lock, a lock file in the folder (kLockFileName), made so that
// it goes away when its handle is closed, even by the end of a killed
// process.
struct FolderLock {
  intptr_t value = -1;
};
inline constexpr const char* kLockFileName = "velmire-pack.lock";

// Takes the lock, waiting for it when `wait` is set. Returns 0, EWOULDBLOCK
// when another holds it and `wait` is not set, or another error number.
int lock_folder(const FolderHandle& folder, bool wait, FolderLock* lock);
void unlock_folder(FolderLock* lock);

// Locks an open file, as lock_folder does a folder: waiting for it when
// `wait` is set. The lock goes with the file's last handle. Returns 0,
// EWOULDBLOCK when another holds it and `wait` is not set, or another error
// number: ENOLCK where the file system takes no locks, and always on
// Windows, where a file that must be renamed cannot stay open and locked
// (there a file open for writing cannot be removed by another process
// either).
int lock_file(FileHandle file, bool wait);

// This process's identifier, and whether the process of an identifier is
// running (true also when it cannot be told: a process of another user).
uint64_t current_process_id();
bool process_is_running(uint64_t id);

// The path of the folder with every link resolved, without a final
// separator. Returns 0, or the error number.
int resolve_folder_path(const char* path, std::string* resolved);

// A seam for tests: with a hook set, the calls that make data reach the
// disk, rename files and lock folders tell it what they are about to do
// (and the name of the file renamed into place), and a non-zero error
// number it returns is returned in their stead, the call not made. Without
// one (the programs never set it) they just run.
enum class SystemCall : uint8_t { sync_file, sync_folder, sync_file_system, rename, lock };
using SystemCallHook = int (*)(SystemCall call, const char* name);
void set_system_call_hook(SystemCallHook hook);
// What the hook says of a call (0 without a hook): for the ports.
int ask_system_call_hook(SystemCall call, const char* name);

// Reads `size` bytes, asking again after a partial read, until they are all
// there or the file ends. *done receives the count read. Returns 0 (with
// *done < size when the file ended first), or the error number of a failed
// read.
int read_file(FileHandle file, void* buffer, size_t size, size_t* done);

// Reads at most `size` bytes with one request, which a plain file answers
// in full unless it ends first. Returns 0 with *done set, or the error
// number.
int read_file_part(FileHandle file, void* buffer, size_t size, size_t* done);

// Writes `size` bytes, asking again after a partial write. *done receives
// the count written. Returns 0, or the error number of a failed write.
int write_file(FileHandle file, const void* data, size_t size, size_t* done);

// Closes the file. Returns 0, or the error number when the close reports one
// (data that could not be stored, for example).
int close_file(FileHandle file);

// The program's text streams. Where the console takes Unicode text of its
// own (Windows), a standard stream that is a console is given a stream
// whose UTF-8 text reaches the console as the characters it encodes,
// whatever the console's code page; a redirected one stays as it is, and
// its file receives the UTF-8 bytes. Elsewhere they are stdout and stderr.
struct ConsoleText {
  FILE* out = nullptr;
  FILE* err = nullptr;
  intptr_t state = 0;  // what a port keeps to end them
};
void open_console_text(ConsoleText* text);
// Flushes both streams and returns once their text has reached the console.
void close_console_text(ConsoleText* text);

// How many processes share the program's console: 1 when the console was
// made for the program alone (on Windows, an exe started from Explorer),
// 0 where there is none or the system cannot tell.
uint32_t console_process_count();

// Waits until a line is read from standard input, or it ends.
void wait_for_enter();

#ifdef _WIN32
// An argument of the UTF-16 command line as UTF-8.
std::string utf8_argument(const wchar_t* argument);
#endif
