#include "pack/pack_commit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pix/pix_blocks.h"
#include "pix/twt_archive.h"
#include "walk/extract_folder.h"

namespace {

// The report lines a batch holds at most, reserved once, so that memory
// does not follow the number of files: the game's 9,029 lines (about
// 800 KB) take two batches, four syncs for its five folders.
constexpr size_t kReportBytes = size_t{512} << 10;

bool is_pix_start(std::span<const uint8_t> start, uint64_t) {
  return has_pix_signature(start);
}

bool is_archive_start(std::span<const uint8_t> start, uint64_t size) {
  return judge_twt_start(start, size) == TwtVerdict::sound;
}

// Why the file standing where the PIX file goes is left as it is.
std::string old_file_problem(const OldFile& old, OldKind kind, int error_number) {
  const FileResult found = old.found;
  if (found == FileResult::other && kind == OldKind::archive)
    return std::string("it is not a TWT archive whose table is sound: ") +
           twt_table_problem(judge_twt_start({old.start.bytes, old.start.count}, old.start.size));
  if (found == FileResult::other) return "it is not a PIX file";
  if (found == FileResult::not_plain) return "it is not a plain file (a folder, a link, a pipe, a device or a socket)";
  return std::string("it cannot be read: ") + std::strerror(error_number);
}

}  // namespace

void count_left_as_it_was(PackRun* run, const char* target, const std::string& reason) {
  std::fprintf(run->err, "%s is left as it was: %s\n", target, reason.c_str());
  ++run->totals.files_not_written;
}

void count_not_written(PackRun* run, const std::string& target, int error_number) {
  std::fprintf(run->err, "Could not write the PIX file %s: %s\n", target.c_str(), std::strerror(error_number));
  ++run->totals.files_not_written;
}

void commit(PackRun* run) {
  commit_batch(&run->batch, &run->results);
  size_t batch_index = 0, report_start = 0;
  for (const PendingFile& file : run->pending) {
    const std::string_view lines(run->report.data() + report_start, file.report_end - report_start);
    report_start = file.report_end;
    const BatchResult result = file.in_batch ? run->results[batch_index++] : BatchResult{};
    if (result.error_number != 0 && result.renamed) {
      std::fprintf(run->err, "The PIX file %s was replaced, but may not have reached the disk: %s\n",
                   file.path.c_str(), std::strerror(result.error_number));
      ++run->totals.files_not_written;
      continue;
    }
    if (result.error_number != 0) {
      count_not_written(run, file.path, result.error_number);
      continue;
    }
    std::fwrite(lines.data(), 1, lines.size(), run->out);
    PackTotals& totals = run->totals;
    add_texture_counts(&totals, file.counts);
    ++(file.in_batch ? totals.files_written : totals.files_unchanged);
  }
  run->pending.clear();
  run->report.clear();
  // The locks of the folder written now and its parents are kept, as taken:
  // a lock is held only with its parent's.
  std::erase_if(run->folder_locks, [run](HeldFolderLock& held) {
    if (run->writing.starts_with(held.key)) return false;
    unlock_folder(&held.lock);
    return true;
  });
}

void unlock_subfolders(PackRun* run) {
  for (HeldFolderLock& held : run->folder_locks) unlock_folder(&held.lock);
  run->folder_locks.clear();
}

namespace {

// Locks each folder from the destination's down to the one entered last,
// `destination`, that the run does not hold yet. Before waiting for
// another run, the batch is committed, so that the locks this run holds
// elsewhere are let go. A lock that cannot be had (a file system without
// locks) is said so once, and the run goes on without it. Returns whether
// it waited: a folder this run made may hold another's files since.
bool lock_target_folders(PackRun* run, const PathBuffer& destination) {
  OutputTree* tree = run->tree;
  run->writing = destination.text;
  std::string key = tree->root.text;
  bool waited = false;
  for (size_t level = 0; level < tree->levels.size(); ++level) {
    key += tree->levels[level].name + kPathSeparator;
    if (std::any_of(run->folder_locks.begin(), run->folder_locks.end(),
                    [&key](const HeldFolderLock& held) { return held.key == key; }))
      continue;
    const FolderHandle* folder = entered_folder(tree, level);
    if (folder == nullptr) return waited;
    HeldFolderLock held{key, {}};
    bool waited_here = false;
    const int error_number = take_folder_lock(*folder, key.c_str(), run, run->err, &held.lock, &waited_here);
    waited = waited || waited_here;
    if (error_number == 0) {
      run->folder_locks.push_back(std::move(held));
    } else if (!run->lock_failure_told) {
      print_lock_failure(run->err, key.c_str(), error_number);
      run->lock_failure_told = true;
    }
  }
  return waited;
}

}  // namespace

bool enter_target(PackRun* run, const PathBuffer& destination, const std::string& name, const char* missing_reason,
                  Target* target) {
  target->path = destination;
  if (!path_append(&target->path, name)) {
    print_path_too_long(run->err, destination.text, name);
    ++run->totals.files_not_written;
    return false;
  }
  OutputTree* tree = run->tree;
  const bool create = missing_reason == nullptr;
  target->folder = enter_output_folder(tree, path_view(destination), create) ? held_output_folder(tree) : nullptr;
  if (target->folder == nullptr && !create) {
    count_left_as_it_was(run, target->path.text, missing_reason);
    return false;
  }
  if (target->folder == nullptr) {
    std::fprintf(run->err, "Could not write the PIX file %s: its folder cannot be made or opened\n", target->path.text);
    ++run->totals.files_not_written;
    return false;
  }
  const bool waited = lock_target_folders(run, destination);
  target->new_folder = output_folder_is_new(*tree) && !waited;
  target->folder_key = path_view(destination);
  if (!target->new_folder &&
      std::find(run->cleaned.begin(), run->cleaned.end(), target->folder_key) == run->cleaned.end()) {
    remove_leftovers(*target->folder, destination.text);
    run->cleaned.push_back(target->folder_key);
  }
  return true;
}

bool load_old_file(PackRun* run, const Target& target, const std::string& name, OldKind kind, OldFile* old) {
  int error_number = 0;
  if (!target.new_folder)
    old->found = load_judged_file_at(*target.folder, name.c_str(), kind == OldKind::archive ? is_archive_start : is_pix_start,
                                     &run->old_file, &old->bytes, &old->status, &error_number, &old->start);
  if (old->found == FileResult::missing || old->found == FileResult::ok) return true;
  count_left_as_it_was(run, target.path.text, old_file_problem(*old, kind, error_number));
  return false;
}

void queue_file(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> bytes,
                bool changed, const OldFile& old, PendingFile pending, const std::string& lines) {
  pending.path = target.path.text;
  pending.in_batch = changed || old.found != FileResult::ok;
  if (batch_is_full(run->batch) || run->report.size() + lines.size() > kReportBytes) commit(run);
  // Taken down first: what may throw does so before the file joins the batch.
  const size_t report_start = run->report.size();
  run->report += lines;
  pending.report_end = run->report.size();
  run->pending.push_back(std::move(pending));
  if (!run->pending.back().in_batch) return;
  const uint32_t mode = old.found == FileResult::ok ? old.status.mode : 0;
  const int error_number = add_to_batch(&run->batch, *target.folder, target.folder_key, name.c_str(), bytes, mode);
  if (error_number == 0) return;
  run->pending.pop_back();
  run->report.resize(report_start);
  count_not_written(run, target.path.text, error_number);
}

int take_folder_lock(const FolderHandle& folder, const char* shown, PackRun* run, FILE* err, FolderLock* lock,
                     bool* waited) {
  int error_number = lock_folder(folder, false, lock);
  *waited = error_number == EWOULDBLOCK;
  if (*waited) {
    std::fprintf(err, "Another velmire-pack writes into %s: waiting for it to end\n", shown);
    std::fflush(err);
    if (run != nullptr) commit(run);
    error_number = lock_folder(folder, true, lock);
  }
  return error_number;
}

// New files have names of their own, so no file is at stake: say so and go on.
void print_lock_failure(FILE* err, const char* shown, int error_number) {
  std::fprintf(err, "Cannot lock %s (%s): another velmire-pack writing there now would not be waited for\n", shown,
               std::strerror(error_number));
}

void start_report(PackRun* run) {
  run->report.reserve(kReportBytes);
  run->pending.reserve(kBatchFiles);
}
