#include "fileio/file_batch.h"

#include <cerrno>
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

// Writes the whole file and closes it; syncs it first where file systems
// are not synced whole. Returns 0, or the error number.
int write_new_file(FileHandle file, std::span<const uint8_t> data, uint32_t mode) {
  size_t done = 0;
  int error_number = data.empty() ? 0 : write_file(file, data.data(), data.size(), &done);
  if (error_number == 0 && mode != 0) error_number = set_file_mode(file, mode);
  if (error_number == 0 && !kSyncsFileSystems) error_number = sync_file(file);
  int closed = close_file(file);
  return error_number != 0 ? error_number : closed;
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

bool is_leftover(const std::string& name) {
  const size_t mark = std::strlen(kTemporaryMark);
  size_t at = name.rfind(kTemporaryMark);
  if (at == std::string::npos || at == 0) return false;
  std::string_view rest = std::string_view(name).substr(at + mark);
  if (rest.empty()) return true;  // the fixed name of earlier versions
  if (rest.size() != 1 + kHexDigits || rest[0] != '-') return false;
  for (char c : rest.substr(1))
    if (!is_hex_digit(c)) return false;
  return true;
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
  // Another name when one is taken, though with 64 random bits none is.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::snprintf(temporary, sizeof temporary, "%s-%016llx", kTemporaryMark,
                  static_cast<unsigned long long>(next_random(batch)));
    std::string full = std::string(name) + temporary;
    error_number = open_file_for_writing_at(folder, full.c_str(), WriteMode::create_new, &file);
    if (error_number == EEXIST) continue;
    if (error_number == 0) error_number = write_new_file(file, data, mode);
    if (error_number != 0) {
      remove_file_at(folder, full.c_str());
      return error_number;
    }
    try {
      batch->files.push_back({static_cast<uint32_t>(index), name, full});
    } catch (const std::bad_alloc&) {
      remove_file_at(folder, full.c_str());
      return ENOMEM;
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
    const FileBatch::File& file = batch->files[i];
    const FolderHandle& folder = batch->folders[file.folder].handle;
    BatchResult& result = (*results)[i];
    if (result.error_number == 0) result.error_number = rename_file_at(folder, file.temporary.c_str(), file.name.c_str());
    result.renamed = result.error_number == 0;
    if (!result.renamed) remove_file_at(folder, file.temporary.c_str());
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
    if (!is_leftover(entry.name)) continue;
    FileStatus status;
    if (entry.plain_file || (get_file_status_at(folder, entry.name.c_str(), &status) == 0 && status.kind == EntryKind::file))
      remove_file_at(folder, entry.name.c_str());
  }
}
