// The platform layer on Windows: Win32 and the C runtime with UTF-16 ("W")
// paths. The rest of the program builds paths as UTF-8; each call here
// converts its path at the call and each listing its names back, so that a
// path in any script reaches the file it names, whatever the code page of
// the machine. Error numbers are translated into the <cerrno> values the
// command line's folder messages are chosen by.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace {

// UTF-8 as UTF-16; with `strict`, text that is no UTF-8 becomes the empty
// text, else each byte that is no UTF-8 becomes U+FFFD.
std::wstring utf16_of(std::string_view utf8, bool strict) {
  const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  const int size = static_cast<int>(utf8.size());
  const int length = size == 0 ? 0 : MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, text.data(), length);
  return text;
}

// A path as the system takes it. A path that is no UTF-8 names no file: it
// becomes the empty path, which every call refuses as missing, so that
// nothing is made under a name that was not asked for.
std::wstring wide(std::string_view path) {
  return utf16_of(path, true);
}

// UTF-16 from the system as UTF-8. A lone surrogate, which names can hold
// and UTF-8 cannot, becomes U+FFFD: such a file is listed, but not found.
std::string utf8_of(std::wstring_view text) {
  const int size = static_cast<int>(text.size());
  const int length = size == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// Windows takes '/' as a separator too, whatever the program appends.
bool is_separator(char c) { return c == '\\' || c == '/'; }

uint64_t join_words(DWORD high, DWORD low) {
  return (static_cast<uint64_t>(high) << 32) | low;
}

EntryKind kind_of_attributes(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::other;
  return EntryKind::file;
}

// The path without trailing separators, which Windows refuses on a folder's
// status in some calls, keeping the separator of a root ("\", "C:\").
std::string without_trailing_separators(const char* path) {
  size_t length = std::strlen(path);
  size_t kept = length;
  while (kept > 1 && is_separator(path[kept - 1])) --kept;
  if (kept < length && kept == 2 && path[1] == ':') ++kept;
  return std::string(path, kept);
}

// Status through an open handle: links are followed, and the volume serial
// number and file index identify a folder (the C runtime's st_ino is always
// 0 on Windows). Returns false when the path cannot be opened.
bool status_through_handle(const char* path, FileStatus* status) {
  HANDLE handle = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(handle, &info) != 0;
  if (known) {
    status->size = join_words(info.nFileSizeHigh, info.nFileSizeLow);
    status->kind = kind_of_attributes(info.dwFileAttributes);
    status->id.device = info.dwVolumeSerialNumber;
    status->id.index = join_words(info.nFileIndexHigh, info.nFileIndexLow);
  } else if (DWORD type = GetFileType(handle); type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
    // A device such as NUL or a named pipe: it opens but has no file data.
    *status = FileStatus{};
    status->kind = EntryKind::other;
    known = true;
  }
  CloseHandle(handle);
  return known;
}

// Status from the folder entry alone, for files that another program holds
// open without sharing: no identity, links not followed.
bool status_from_attributes(const char* path, FileStatus* status) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data) == 0) return false;
  *status = FileStatus{};
  status->size = join_words(data.nFileSizeHigh, data.nFileSizeLow);
  status->kind = kind_of_attributes(data.dwFileAttributes);
  return true;
}

// Whether the path, or one of the folders along it, names something that
// exists and is no folder: the condition POSIX reports as ENOTDIR, which
// Windows reports as a missing path or an invalid name.
bool has_non_folder_on_the_way(const char* path) {
  size_t length = std::strlen(path);
  for (size_t end = 1; end <= length; ++end) {
    if (end < length && !is_separator(path[end])) continue;
    if (is_separator(path[end - 1]) || path[end - 1] == ':') continue;  // a root, a drive or a run of separators
    std::string prefix(path, end);
    FileStatus status;
    if (get_file_status(prefix.c_str(), &status) == 0 && status.kind != EntryKind::folder) return true;
  }
  return false;
}

// The <cerrno> value for a Win32 error code.
int error_number_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:  // a drive without its disc
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

// The error number for a listing that would not open. Windows reports a
// path through a file as missing or invalid; POSIX, whose numbers the
// messages follow, as ENOTDIR.
int listing_error_number(const char* path, DWORD error) {
  int error_number = error_number_of(error);
  if (error_number == ENOENT && has_non_folder_on_the_way(path)) return ENOTDIR;
  return error_number;
}

// Opens a listing of every entry of the folder. Returns the search handle
// with the first entry, or INVALID_HANDLE_VALUE with *error_number set; an
// empty folder (only a root can be one: others list "." and "..") gives
// INVALID_HANDLE_VALUE with *error_number 0.
HANDLE open_listing(const char* path, WIN32_FIND_DATAW* entry, int* error_number) {
  *error_number = 0;
  size_t length = std::strlen(path);
  if (length == 0) {
    *error_number = ENOENT;  // as opendir(""): no folder has an empty name
    return INVALID_HANDLE_VALUE;
  }
  std::string pattern(path, length);
  if (!is_separator(pattern.back()) && pattern.back() != ':') pattern += '\\';
  pattern += '*';
  HANDLE listing = FindFirstFileExW(wide(pattern).c_str(), FindExInfoBasic, entry, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
  if (listing != INVALID_HANDLE_VALUE) return listing;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) {
    // Nothing matched "*": the folder is empty if it is there at all.
    FileStatus status;
    if (get_file_status(path, &status) == 0 && status.kind == EntryKind::folder) return INVALID_HANDLE_VALUE;
  }
  *error_number = listing_error_number(path, error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

int get_file_status(const char* path, FileStatus* status) {
  std::string trimmed = without_trailing_separators(path);
  if (status_through_handle(trimmed.c_str(), status)) return 0;
  return status_from_attributes(trimmed.c_str(), status) ? 0 : -1;
}

int probe_folder(const char* path) {
  WIN32_FIND_DATAW entry;
  int error_number = 0;
  HANDLE listing = open_listing(path, &entry, &error_number);
  if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
  return error_number;
}

int list_folder(const char* path, std::vector<FolderEntry>* entries) {
  WIN32_FIND_DATAW entry;
  int error_number = 0;
  HANDLE listing = open_listing(path, &entry, &error_number);
  if (listing == INVALID_HANDLE_VALUE) return error_number;
  do {
    // Links (reparse points) and devices are no plain files: their status
    // decides.
    const DWORD not_plain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    entries->push_back({utf8_of(entry.cFileName), (entry.dwFileAttributes & not_plain) == 0});
  } while (FindNextFileW(listing, &entry) != 0);
  FindClose(listing);
  return 0;
}

FolderCreation make_folder(const char* path) {
  if (_wmkdir(wide(path).c_str()) == 0) return FolderCreation::created;
  if (errno == EEXIST) return FolderCreation::exists;  // also a drive such as "C:"
  if (errno == ENOENT) return FolderCreation::parent_missing;
  return FolderCreation::failed;
}

// Files are C runtime descriptors, always opened in binary mode: a text-mode
// descriptor would turn every 0x0A byte written into 0D 0A and stop reading
// at the first 0x1A.

namespace {

int descriptor(FileHandle file) {
  return static_cast<int>(file.value);
}

// The largest count one _read or _write call takes is an int.
constexpr size_t kMaxTransfer = size_t{1} << 30;

}  // namespace

int open_file_for_reading(const char* path, FileHandle* file) {
  int fd = _wopen(wide(path).c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

// Opens an existing plain file and empties it. The checks are made on the
// open handle, so nothing can be put in the file's place between them and
// the write: the path itself must be no reparse point (a link or junction
// could lead anywhere, outside the destination too), no folder and no
// device.
static int open_plain_file_for_replacing(const char* path, FileHandle* file) {
  HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  const DWORD not_plain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  BY_HANDLE_FILE_INFORMATION info;
  int error_number = 0;
  if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0 ||
      (info.dwFileAttributes & not_plain) != 0)
    error_number = EINVAL;
  else if (SetEndOfFile(handle) == 0)  // at offset 0, just opened
    error_number = error_number_of(GetLastError());
  int fd = error_number == 0 ? _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY) : -1;
  if (fd < 0) {
    CloseHandle(handle);
    return error_number != 0 ? error_number : EMFILE;
  }
  file->value = fd;
  return 0;
}

static int open_file_for_writing(const char* path, WriteMode mode, FileHandle* file) {
  if (mode == WriteMode::replace_plain_file) return open_plain_file_for_replacing(path, file);
  int flags = _O_WRONLY | _O_CREAT | _O_BINARY | (mode == WriteMode::create_new ? _O_EXCL : _O_TRUNC);
  int fd = _wopen(wide(path).c_str(), flags, _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno;
  file->value = fd;
  return 0;
}

// Folders below the destination are held open without FILE_SHARE_DELETE, so
// that none of them can be moved, removed or replaced by a link while it is
// held: a path through held folders reaches what was checked when they were
// opened. Windows has no openat, so files are made by that path.

namespace {

std::string path_in(const FolderHandle& folder, const char* name) {
  return folder.path + '\\' + name;
}

HANDLE open_held_folder(const std::string& path, DWORD flags) {
  return CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

// Opens an existing file by path as a C runtime descriptor, refusing a
// reparse point and anything that is not a file on disk.
int open_plain_file(const std::string& path, DWORD access, int runtime_flags, FileHandle* file) {
  HANDLE handle = CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD not_plain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  int fd = -1;
  if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != 0 &&
      (info.dwFileAttributes & not_plain) == 0)
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), runtime_flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return ELOOP;
  }
  file->value = fd;
  return 0;
}

}  // namespace

int open_folder(const char* path, FolderHandle* folder) {
  std::string trimmed = without_trailing_separators(path);
  HANDLE handle = open_held_folder(trimmed, 0);
  if (handle == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  folder->value = reinterpret_cast<intptr_t>(handle);
  folder->path = trimmed;
  return 0;
}

int open_folder_at(const FolderHandle& parent, const char* name, FolderHandle* folder) {
  std::string path = path_in(parent, name);
  HANDLE handle = open_held_folder(path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  BY_HANDLE_FILE_INFORMATION info;
  int error_number = 0;
  if (GetFileInformationByHandle(handle, &info) == 0)
    error_number = EIO;
  else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    error_number = ELOOP;
  else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    error_number = ENOTDIR;
  if (error_number != 0) {
    CloseHandle(handle);
    return error_number;
  }
  folder->value = reinterpret_cast<intptr_t>(handle);
  folder->path = path;
  return 0;
}

FolderCreation make_folder_at(const FolderHandle& parent, const char* name) {
  return make_folder(path_in(parent, name).c_str());
}

void close_folder(FolderHandle* folder) {
  if (folder->value != -1) CloseHandle(reinterpret_cast<HANDLE>(folder->value));
  folder->value = -1;
  folder->path.clear();
}

int open_file_for_writing_at(const FolderHandle& folder, const char* name, WriteMode mode, FileHandle* file) {
  std::string path = path_in(folder, name);
  if (mode == WriteMode::replace_plain_file) return open_plain_file_for_replacing(path.c_str(), file);
  // A new file cannot be a reparse point; "replace" (for files the program
  // owns, such as the one it renames into place) does not look.
  return open_file_for_writing(path.c_str(), mode, file);
}

// Windows cannot resolve a path refusing reparse points on the way: the
// caller opens the folder itself.
int create_new_file_below(const FolderHandle&, const char*, FileHandle*) {
  return ENOSYS;
}

int open_file_for_reading_at(const FolderHandle& folder, const char* name, FileHandle* file) {
  return open_plain_file(path_in(folder, name), GENERIC_READ, _O_RDONLY, file);
}

int open_file_for_reading_in(const FolderHandle& folder, const char* name, FileHandle* file) {
  return open_file_for_reading(path_in(folder, name).c_str(), file);
}

int get_file_status_at(const FolderHandle& folder, const char* name, FileStatus* status) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(wide(path_in(folder, name)).c_str(), GetFileExInfoStandard, &data) == 0) return -1;
  *status = FileStatus{};
  status->size = join_words(data.nFileSizeHigh, data.nFileSizeLow);
  status->kind = kind_of_attributes(data.dwFileAttributes);
  // The link itself, never what it leads to.
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) status->kind = EntryKind::other;
  return 0;
}

int rename_file_at(const FolderHandle& folder, const char* from, const char* to) {
  if (int injected = ask_system_call_hook(SystemCall::rename, to); injected != 0) return injected;
  if (MoveFileExW(wide(path_in(folder, from)).c_str(), wide(path_in(folder, to)).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
    return error_number_of(GetLastError());
  return 0;
}

int remove_file_at(const FolderHandle& folder, const char* name) {
  return DeleteFileW(wide(path_in(folder, name)).c_str()) != 0 ? 0 : error_number_of(GetLastError());
}

int sync_file(FileHandle file) {
  if (int injected = ask_system_call_hook(SystemCall::sync_file, ""); injected != 0) return injected;
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor(file)));
  return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0 ? 0 : EIO;
}

int get_open_file_size(FileHandle file, uint64_t* size) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor(file)));
  LARGE_INTEGER length;
  if (handle == INVALID_HANDLE_VALUE || GetFileSizeEx(handle, &length) == 0 || length.QuadPart < 0) return -1;
  *size = static_cast<uint64_t>(length.QuadPart);
  return 0;
}

int read_file(FileHandle file, void* buffer, size_t size, size_t* done) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  *done = 0;
  while (*done < size) {
    size_t ask = size - *done < kMaxTransfer ? size - *done : kMaxTransfer;
    int got = _read(descriptor(file), bytes + *done, static_cast<unsigned>(ask));
    if (got < 0) return errno;
    if (got == 0) break;  // end of file
    *done += static_cast<size_t>(got);
  }
  return 0;
}

int read_file_part(FileHandle file, void* buffer, size_t size, size_t* done) {
  int got = _read(descriptor(file), buffer, static_cast<unsigned>(size < kMaxTransfer ? size : kMaxTransfer));
  *done = got > 0 ? static_cast<size_t>(got) : 0;
  return got < 0 ? errno : 0;
}

int write_file(FileHandle file, const void* data, size_t size, size_t* done) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  *done = 0;
  while (*done < size) {
    size_t ask = size - *done < kMaxTransfer ? size - *done : kMaxTransfer;
    int put = _write(descriptor(file), bytes + *done, static_cast<unsigned>(ask));
    if (put < 0) return errno;
    if (put == 0) return EIO;  // no progress: report it rather than loop
    *done += static_cast<size_t>(put);
  }
  return 0;
}

int close_file(FileHandle file) {
  return _close(descriptor(file)) == 0 ? 0 : errno;
}

int get_open_file_status(FileHandle file, FileStatus* status) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor(file)));
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  *status = FileStatus{};
  if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0) {
    status->kind = EntryKind::other;
    return 0;
  }
  status->size = join_words(info.nFileSizeHigh, info.nFileSizeLow);
  status->kind = kind_of_attributes(info.dwFileAttributes);
  status->id.device = info.dwVolumeSerialNumber;
  status->id.index = join_words(info.nFileIndexHigh, info.nFileIndexLow);
  return 0;
}

int get_folder_status(const FolderHandle& folder, FileStatus* status) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(reinterpret_cast<HANDLE>(folder.value), &info) == 0)
    return error_number_of(GetLastError());
  *status = FileStatus{};
  status->kind = kind_of_attributes(info.dwFileAttributes);
  status->id.device = info.dwVolumeSerialNumber;
  status->id.index = join_words(info.nFileIndexHigh, info.nFileIndexLow);
  return 0;
}

int set_file_mode(FileHandle, uint32_t) {
  return 0;
}

int duplicate_folder(const FolderHandle& folder, FolderHandle* copy) {
  HANDLE duplicate = nullptr;
  HANDLE process = GetCurrentProcess();
  if (DuplicateHandle(process, reinterpret_cast<HANDLE>(folder.value), process, &duplicate, 0, FALSE,
                      DUPLICATE_SAME_ACCESS) == 0)
    return error_number_of(GetLastError());
  copy->value = reinterpret_cast<intptr_t>(duplicate);
  copy->path = folder.path;
  return 0;
}

int sync_file_system(const FolderHandle&) {
  if (int injected = ask_system_call_hook(SystemCall::sync_file_system, ""); injected != 0) return injected;
  return ENOSYS;
}

int sync_folder(const FolderHandle&) {
  return ask_system_call_hook(SystemCall::sync_folder, "");
}

// FILE_FLAG_DELETE_ON_CLOSE: the lock file goes when the last handle on it
// is closed, by the program or by the end of its process.
int lock_folder(const FolderHandle& folder, bool wait, FolderLock* lock) {
  if (int injected = ask_system_call_hook(SystemCall::lock, ""); injected != 0) return injected;
  HANDLE file = CreateFileW(wide(path_in(folder, kLockFileName)).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  OVERLAPPED start{};
  DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (LockFileEx(file, flags, 0, 1, 0, &start) == 0) {
    DWORD error = GetLastError();
    CloseHandle(file);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EWOULDBLOCK : error_number_of(error);
  }
  lock->value = reinterpret_cast<intptr_t>(file);
  return 0;
}

// A file written to replace another is closed before it is renamed, which
// would end its lock: what protects it is that its name names its run (and
// an open file cannot be removed by another process meanwhile).
int lock_file(FileHandle, bool) {
  if (int injected = ask_system_call_hook(SystemCall::lock, ""); injected != 0) return injected;
  return ENOLCK;
}

uint64_t current_process_id() {
  return GetCurrentProcessId();
}

// A process that has ended, but whose handle another holds, still opens:
// it has ended when its handle is signalled.
bool process_is_running(uint64_t id) {
  if (id == 0 || id > MAXDWORD) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

void unlock_folder(FolderLock* lock) {
  if (lock->value != -1) CloseHandle(reinterpret_cast<HANDLE>(lock->value));
  lock->value = -1;
}

int resolve_folder_path(const char* path, std::string* resolved) {
  HANDLE handle = open_held_folder(without_trailing_separators(path), 0);
  if (handle == INVALID_HANDLE_VALUE) return error_number_of(GetLastError());
  wchar_t text[MAX_PATH * 4];
  DWORD length = GetFinalPathNameByHandleW(handle, text, MAX_PATH * 4, FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (length == 0 || length >= MAX_PATH * 4) return ENAMETOOLONG;
  *resolved = utf8_of({text, length});
  if (resolved->size() > 1 && is_separator(resolved->back())) resolved->pop_back();
  return 0;
}

std::string utf8_argument(const wchar_t* argument) {
  return utf8_of(argument);
}

// A console takes UTF-16 text (WriteConsoleW), which shows every character
// whatever the console's code page; the bytes a C stream writes would be
// read in that code page instead. So a standard stream that is a console
// becomes a stream into a pipe, and a thread writes what comes out of the
// pipe to the console as UTF-16, a character cut by the end of a read
// kept for the next. When standard output and error are one console, both
// are one stream, so that their lines keep their order.

namespace {

struct ConsoleSink {
  HANDLE console = INVALID_HANDLE_VALUE;
  HANDLE pipe = INVALID_HANDLE_VALUE;  // the end the thread reads
  HANDLE thread = nullptr;
  FILE* stream = nullptr;
};

struct ConsoleSinks {
  ConsoleSink sinks[2];
};

bool is_console(HANDLE handle) {
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// The length of the text without a UTF-8 sequence its end cuts short.
size_t whole_characters(const char* text, size_t length) {
  for (size_t back = 1; back <= 3 && back <= length; ++back) {
    const auto byte = static_cast<unsigned char>(text[length - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? length - back : length;
  }
  return length;
}

void write_to_console(HANDLE console, const char* text, size_t length) {
  const std::wstring characters = utf16_of(std::string_view(text, length), false);
  for (size_t at = 0; at < characters.size();) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(characters.size() - at, 8192));
    if (WriteConsoleW(console, characters.data() + at, ask, &written, nullptr) == 0 || written == 0) return;
    at += written;
  }
}

DWORD WINAPI copy_to_console(void* parameter) {
  auto* sink = static_cast<ConsoleSink*>(parameter);
  char text[4096];
  size_t kept = 0;
  DWORD got = 0;
  // Read to the end even when the console is gone: the program's writes
  // must never wait on a full pipe.
  while (ReadFile(sink->pipe, text + kept, static_cast<DWORD>(sizeof text - kept), &got, nullptr) != 0 && got > 0) {
    const size_t length = kept + got;
    const size_t whole = whole_characters(text, length);
    write_to_console(sink->console, text, whole);
    kept = length - whole;
    std::memmove(text, text + whole, kept);
  }
  write_to_console(sink->console, text, kept);
  return 0;
}

// Starts the sink of a console; false, with nothing started, when the
// pipe, the stream or the thread cannot be had.
bool start_sink(HANDLE console, ConsoleSink* sink) {
  HANDLE write_end = INVALID_HANDLE_VALUE;
  if (CreatePipe(&sink->pipe, &write_end, nullptr, 0) == 0) return false;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY | _O_TEXT);
  sink->stream = fd >= 0 ? _fdopen(fd, "w") : nullptr;
  if (sink->stream == nullptr) {
    if (fd >= 0) _close(fd);
    else CloseHandle(write_end);
    CloseHandle(sink->pipe);
    return false;
  }
  // A pipe's stream is fully buffered: unbuffered, each line reaches the
  // window as it is written, and none is lost to Ctrl+C.
  std::setvbuf(sink->stream, nullptr, _IONBF, 0);
  sink->console = console;
  sink->thread = CreateThread(nullptr, 0, copy_to_console, sink, 0, nullptr);
  if (sink->thread == nullptr) {
    std::fclose(sink->stream);
    CloseHandle(sink->pipe);
    sink->stream = nullptr;
    return false;
  }
  return true;
}

void end_sink(ConsoleSink* sink) {
  if (sink->stream == nullptr) return;
  std::fclose(sink->stream);  // the thread reads the pipe's end
  WaitForSingleObject(sink->thread, INFINITE);
  CloseHandle(sink->thread);
  CloseHandle(sink->pipe);
  sink->stream = nullptr;
}

}  // namespace

void open_console_text(ConsoleText* text) {
  text->out = stdout;
  text->err = stderr;
  auto* state = new (std::nothrow) ConsoleSinks;
  if (state == nullptr) return;
  text->state = reinterpret_cast<intptr_t>(state);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (is_console(out) && start_sink(out, &state->sinks[0])) text->out = state->sinks[0].stream;
  if (is_console(err) && is_console(out) && text->out != stdout) {
    text->err = text->out;  // one console: one stream, lines in order
  } else if (is_console(err) && start_sink(err, &state->sinks[1])) {
    text->err = state->sinks[1].stream;
  }
}

void close_console_text(ConsoleText* text) {
  std::fflush(text->out);
  std::fflush(text->err);
  auto* state = reinterpret_cast<ConsoleSinks*>(text->state);
  if (state == nullptr) return;
  for (ConsoleSink& sink : state->sinks) end_sink(&sink);
  delete state;
  text->state = 0;
  text->out = stdout;
  text->err = stderr;
}

uint32_t console_process_count() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2);
}

void wait_for_enter() {
  int c;
  do c = std::getchar();
  while (c != '\n' && c != EOF);
}
