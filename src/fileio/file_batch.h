// Files replaced in batches, each at once: a new file is written beside the
// one it replaces under a name no other run can pick, and renamed over it
// when the batch is committed. Between the two, one sync per file system
// makes the new files' bytes reach the disk, so that whatever happens each
// file is the whole old one or the whole new one; after the renames a
// second sync makes them reach the disk before they are reported. Where the
// system cannot sync a whole file system, each file is synced as it is
// written and each folder after its renames.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

// A batch is committed when it holds this many files, bytes or folders:
// memory, extra disk space and open handles stay bounded (each new file is
// held open, and locked, until it is renamed: well within the 1,024
// descriptors a process has by default).
inline constexpr size_t kBatchFiles = 512;
inline constexpr uint64_t kBatchBytes = uint64_t{256} << 20;
inline constexpr size_t kBatchFolders = 64;

// What a temporary name ends in, before the run's process identifier and
// a random part: "GO.PIX.velmire-new-1234-" and 16 hexadecimal digits.
inline constexpr const char* kTemporaryMark = ".velmire-new";

struct FileBatch {
  struct Folder {
    std::string key;  // the folder's path, which tells it from the others
    FolderHandle handle;
    uint64_t device = 0;
  };
  struct File {
    uint32_t folder = 0;
    std::string name;
    std::string temporary;
    FileHandle locked;  // held open while locked, until renamed; -1 where files take no lock
  };
  std::vector<Folder> folders;
  std::vector<File> files;
  uint64_t bytes = 0;
  uint64_t random = 0;  // the state of the temporary names' random numbers
  uint64_t run = 0;     // this process's identifier, which the temporary names carry
};

// What became of a file of the batch.
struct BatchResult {
  int error_number = 0;  // 0: replaced and on the disk
  bool renamed = false;  // it replaced the old file, but may not be on the disk
};

bool batch_is_full(const FileBatch& batch);

// Writes `data` into a new file beside `name` in `folder` (whose path is
// `folder_path`), created where nothing stood, with the permission bits
// `mode` when it is not 0, named after this run and locked by it until it
// is renamed. Returns 0, or the error number (nothing is left behind
// then).
int add_to_batch(FileBatch* batch, const FolderHandle& folder, const std::string& folder_path, const char* name,
                 std::span<const uint8_t> data, uint32_t mode);

// Syncs, renames every file over the one it replaces, syncs again and
// empties the batch; `results` receives one result per file, in the order
// they were added.
void commit_batch(FileBatch* batch, std::vector<BatchResult>* results);

// Removes the new files runs that were stopped left in the folder at
// `path` (held as `folder`): plain files whose names end in kTemporaryMark,
// alone (earlier versions) or followed by '-', a run's process identifier
// and '-' (this version) and 16 hexadecimal digits. A file that another
// holds locked, or whose run is still running, is being written: it stays.
// Where files take no lock, a file's run decides alone. To be called by
// the run that holds the folder's lock, where locks are had.
void remove_leftovers(const FolderHandle& folder, const char* path);
