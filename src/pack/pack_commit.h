// Where a packed file goes and how it gets there: its folder entered (and
// rid of what stopped runs left), the file it replaces loaded, its new bytes
// queued in the batch and its report lines printed once the batch is on the
// disk; and the files left as they were, counted as not written.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/path_buffer.h"
#include "fileio/whole_file.h"
#include "pack/pack_context.h"

// Says why `target` is left as it was and counts it as not written.
void count_left_as_it_was(PackRun* run, const char* target, const std::string& reason);

// Says that `target` could not be written, and why, and counts it.
void count_not_written(PackRun* run, const std::string& target, int error_number);

// Where a packed file goes: its path, its folder held open, and the
// folder's key in the batch.
struct Target {
  PathBuffer path;
  const FolderHandle* folder = nullptr;
  std::string folder_key;
  bool new_folder = false;  // made by this run: it holds no file yet
};

// Enters the folder `destination` of the file `name`, locks it and every
// folder between it and the destination's (which the run holds), outermost
// first, waiting for another run that holds one and saying so, and removes
// what stopped runs left there. The folder is made when it is missing,
// unless `missing_reason` is given: then the file counts as left as it was
// for that reason. False after a message when it cannot be had.
bool enter_target(PackRun* run, const PathBuffer& destination, const std::string& name, const char* missing_reason,
                  Target* target);

// The file a pack replaces, as load_signed_file_at found it.
struct OldFile {
  FileResult found = FileResult::missing;
  std::span<const uint8_t> bytes;
  FileStatus status;
  FileStart start;  // of a file that is not what was asked for
};

// What load_old_file asks the file to be.
enum class OldKind : uint8_t { pix_file, archive };

// Loads the file `name` of the target's folder into the run's buffer when
// its first 16 bytes say it is of the kind asked for (a PIX file's
// signature; an archive's size word, count and first length, which must
// fit its size), reading nothing more of it otherwise. False after leaving
// it as it was when something else stands there.
bool load_old_file(PackRun* run, const Target& target, const std::string& name, OldKind kind, OldFile* old);

// Queues the target's report lines, and its new bytes into the batch when
// `changed` or when there is no old file.
void queue_file(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> bytes,
                bool changed, const OldFile& old, PendingFile pending, const std::string& lines);

// Renames the batch's files into place and prints the report lines of
// every file packed since the last commit, in the order of the walk; then
// lets go of the locks of folders other than the one written now and its
// parents.
void commit(PackRun* run);

// Takes the lock of `folder` (`shown` in messages), waiting for another
// run that holds it after saying so; when `run` is given, what it has
// queued is written first. Returns 0 or the error number; `waited`:
// whether it waited.
int take_folder_lock(const FolderHandle& folder, const char* shown, PackRun* run, FILE* err, FolderLock* lock,
                     bool* waited);

// Says that the lock of `shown` cannot be had, and that the run goes on.
void print_lock_failure(FILE* err, const char* shown, int error_number);

// Lets go of every lock below the destination, at the end of the run.
void unlock_subfolders(PackRun* run);

// Prepares the run's report for the walk: its room reserved once.
void start_report(PackRun* run);
