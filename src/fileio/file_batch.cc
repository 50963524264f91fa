#include "fileio/file_batch.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>

namespace {

constexpr int kHexDigits = 16;

// splitmix64: names that differ from run to run and from one file to the
// next.
uint64_t next_random(FileBatch* batch) {
  if (batch->random == 0) {
    std::random_device device;
    batch->random = (uint64_t{device()} << 32 | device()) ^
                    static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  uint64_t z = (batch->random += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The batch's folder for `folder_path`, added when new. Returns its index,
// or -1 with *error_number set. Nothing here throws: a batch never holds a
// file its caller does not know of.
int folder_of(FileBatch* batch, const FolderHandle& folder, const std::string& folder_path, int* error_number) {
  for (size_t i = batch->folders.size(); i-- > 0;)
    if (batch->folders[i].key == folder_path) return static_cast<int>(i);
  FileBatch::Folder entry{folder_path, {}, 0};
  FileStatus status;
  if ((*error_number = duplicate_folder(folder, &entry.handle)) != 0) return -1;
  if (!kSyncsFileSystems || (*error_number = get_folder_status(entry.handle, &status)) == 0) {
    entry.device = status.id.device;
    try {
      batch->folders.push_back(entry);
      return static_cast<int>(batch->folders.size() - 1);
    } catch (const std::bad_alloc&) {
      *error_number = ENOMEM;
    }
  }
  close_folder(&entry.handle);
  return -1;
}

// Writes the whole file, synced where file systems are not synced whole,
// and closes it unless it is locked: a locked file stays open, its lock
// with it, until it is renamed. Returns 0, or the error number (the file
// closed then).
int write_new_file(FileHandle file, bool locked, std::span<const uint8_t> data, uint32_t mode) {
  size_t done = 0;
  int error_number = data.empty() ? 0 : write_file(file, data.data(), data.size(), &done);
  if (error_number == 0 && mode != 0) error_number = set_file_mode(file, mode);
  if (error_number == 0 && !kSyncsFileSystems) error_number = sync_file(file);
  if (error_number == 0 && locked) return 0;
  int closed = close_file(file);
  return error_number != 0 ? error_number : closed;
}

void close_locked(FileBatch::File* file) {
  if (file->locked.value != -1) close_file(file->locked);
  file->locked = FileHandle{};
}

// Syncs once per file system (or, where whole file systems are not synced,
// once per folder when `folders_too`), giving each file of a folder whose
// sync failed that error when it has none yet.
void sync_batch(const FileBatch& batch, bool folders_too, std::vector<BatchResult>* results) {
  std::vector<int> folder_error(batch.folders.size(), 0);
  for (size_t i = 0; i < batch.folders.size(); ++i) {
    const FileBatch::Folder& folder = batch.folders[i];
    if (kSyncsFileSystems) {
      size_t first = 0;  // the first folder on its device does the sync
      while (batch.folders[first].device != folder.device) ++first;
      folder_error[i] = first == i ? sync_file_system(folder.handle) : folder_error[first];
    } else if (folders_too) {
      folder_error[i] = sync_folder(folder.handle);
    }
  }
  for (size_t i = 0; i < batch.files.size(); ++i) {
    int& error_number = (*results)[i].error_number;
    if (error_number == 0) error_number = folder_error[batch.files[i].folder];
  }
}

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Whether `name` is a temporary name; `run` receives the process
// identifier it names (0 for the names of earlier versions, which name
// none).
bool is_leftover(const std::string& name, uint64_t* run) {
  const size_t mark = std::strlen(kTemporaryMark);
  size_t at = name.rfind(kTemporaryMark);
  if (at == std::string::npos || at == 0) return false;
  std::string_view rest = std::string_view(name).substr(at + mark);
  *run = 0;
  if (rest.empty()) return true;  // the fixed name of earlier versions
  if (rest.size() < 1 + kHexDigits || rest[0] != '-') return false;
  const std::string_view random = rest.substr(rest.size() - kHexDigits);
  for (char c : random)
    if (!is_hex_digit(c)) return false;
  rest = rest.substr(1, rest.size() - 1 - kHexDigits);  // "" or the run's identifier and '-'
  if (rest.empty()) return true;  // a random part alone: earlier versions
  if (rest.size() < 2 || rest.back() != '-') return false;
  const char* end = rest.data() + rest.size() - 1;
  const std::from_chars_result number = std::from_chars(rest.data(), end, *run);  // digits only, no overflow
  return number.ec == std::errc{} && number.ptr == end && *run != 0;
}

// Removes a leftover of the run `run` (0: none named) unless it is being
// written: its run is running, or another holds it locked. (No name is
// ever made twice, so nothing new can stand at it once it is judged.)
void remove_if_stopped(const FolderHandle& folder, const std::string& name, uint64_t run) {
  if (run != 0 && process_is_running(run)) return;
  FileHandle file;
  if (open_file_for_reading_at(folder, name.c_str(), &file) == 0) {
    const bool held = lock_file(file, false) == EWOULDBLOCK;
    close_file(file);
    if (held) return;
  }
  remove_file_at(folder, name.c_str());
}

}  // namespace

bool batch_is_full(const FileBatch& batch) {
  return batch.files.size() >= kBatchFiles || batch.bytes >= kBatchBytes || batch.folders.size() >= kBatchFolders;
}

int add_to_batch(FileBatch* batch, const FolderHandle& folder, const std::string& folder_path, const char* name,
                 std::span<const uint8_t> data, uint32_t mode) {
  int error_number = 0;
  const int index = folder_of(batch, folder, folder_path, &error_number);
  if (index < 0) return error_number;
  char temporary[kHexDigits + 64];
  FileHandle file;
  if (batch->run == 0) batch->run = current_process_id();
  // Another name when one is taken, though with 64 random bits none is.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::snprintf(temporary, sizeof temporary, "%s-%llu-%016llx", kTemporaryMark,
                  static_cast<unsigned long long>(batch->run),
                  static_cast<unsigned long long>(next_random(batch)));
    FileBatch::File entry{static_cast<uint32_t>(index), name, std::string(name) + temporary, {}};
    const char* full = entry.temporary.c_str();
    error_number = open_file_for_writing_at(folder, full, WriteMode::create_new, &file);
    if (error_number == EEXIST) continue;
    // Locked before a byte is written: a sweep by another run passes it by.
    const bool locked = error_number == 0 && lock_file(file, false) == 0;
    if (error_number == 0) error_number = write_new_file(file, locked, data, mode);
    if (locked && error_number == 0) entry.locked = file;
    try {
      if (error_number == 0) batch->files.push_back(entry);
    } catch (const std::bad_alloc&) {
      close_locked(&entry);
      error_number = ENOMEM;
    }
    if (error_number != 0) {
      remove_file_at(folder, full);
      return error_number;
    }
    batch->bytes += data.size();
    return 0;
  }
  return error_number;
}

void commit_batch(FileBatch* batch, std::vector<BatchResult>* results) {
  results->assign(batch->files.size(), BatchResult{});
  if (kSyncsFileSystems) sync_batch(*batch, false, results);
  for (size_t i = 0; i < batch->files.size(); ++i) {
    FileBatch::File& file = batch->files[i];
    const FolderHandle& folder = batch->folders[file.folder].handle;
    BatchResult& result = (*results)[i];
    if (result.error_number == 0) result.error_number = rename_file_at(folder, file.temporary.c_str(), file.name.c_str());
    result.renamed = result.error_number == 0;
    if (!result.renamed) remove_file_at(folder, file.temporary.c_str());
    close_locked(&file);
  }
  sync_batch(*batch, true, results);
  for (FileBatch::Folder& folder : batch->folders) close_folder(&folder.handle);
  batch->folders.clear();
  batch->files.clear();
  batch->bytes = 0;
}

void remove_leftovers(const FolderHandle& folder, const char* path) {
  std::vector<FolderEntry> entries;
  if (list_folder(path, &entries) != 0) return;
  for (const FolderEntry& entry : entries) {
    uint64_t run = 0;
    if (!is_leftover(entry.name, &run)) continue;
    FileStatus status;
    if (entry.plain_file || (get_file_status_at(folder, entry.name.c_str(), &status) == 0 && status.kind == EntryKind::file))
      remove_if_stopped(folder, entry.name, run);
  }
}
