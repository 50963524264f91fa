// The order in which a batch of new files replaces the old ones, recorded
// through the platform's seam: every new file's bytes reach the disk before
// any rename, and the renames before the batch is reported; a sync that
// fails renames nothing.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fileio/file_batch.h"
#include "test_support.h"

namespace {

std::vector<std::string> calls;
int failing_syncs = 0;  // the next this many syncs of a file system fail

int record(SystemCall call, const char* name) {
  static const char* const kNames[] = {"sync_file", "sync_folder", "sync_file_system", "rename", "lock"};
  calls.push_back(std::string(kNames[static_cast<int>(call)]) + (*name != '\0' ? " " : "") + name);
  if (call == SystemCall::sync_file_system && failing_syncs > 0) return --failing_syncs, EIO;
  return 0;
}

TEST(FileBatch, NewFilesReachTheDiskBeforeTheyReplaceTheOldOnes) {
  // Each new file is locked as soon as it is made.
  const std::vector<std::string> in_order =
      kSyncsFileSystems
          ? std::vector<std::string>{"lock", "lock", "sync_file_system", "rename A.PIX", "rename B.PIX", "sync_file_system"}
          : std::vector<std::string>{"lock", "sync_file", "lock", "sync_file", "rename A.PIX", "rename B.PIX", "sync_folder"};
  for (int failing : {0, 1}) {
    SCOPED_TRACE(failing);
    TempDir dir;
    write_file(dir.path / "A.PIX", std::string("old"));
    FolderHandle folder;
    ASSERT_EQ(open_folder(dir.str().c_str(), &folder), 0);
    calls.clear();
    failing_syncs = failing;
    set_system_call_hook(record);
    FileBatch batch;
    const uint8_t bytes[] = {'n', 'e', 'w'};
    EXPECT_EQ(add_to_batch(&batch, folder, dir.str(), "A.PIX", bytes, 0), 0);
    EXPECT_EQ(add_to_batch(&batch, folder, dir.str(), "B.PIX", bytes, 0), 0);
    std::vector<BatchResult> results;
    commit_batch(&batch, &results);
    set_system_call_hook(nullptr);
    close_folder(&folder);
    if (failing == 0 || !kSyncsFileSystems) {
      EXPECT_EQ(calls, in_order);
      EXPECT_EQ(read_file(dir.path / "A.PIX"), std::vector<uint8_t>(bytes, bytes + 3));
      continue;
    }
    // The new bytes may not be on the disk: nothing is renamed, nothing is left behind.
    EXPECT_EQ(calls, (std::vector<std::string>{"lock", "lock", "sync_file_system", "sync_file_system"}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(std::pair(results[0].error_number, results[0].renamed), std::pair(EIO, false));
    EXPECT_EQ(list_tree(dir.path), (std::vector<std::string>{"A.PIX"}));
    EXPECT_EQ(read_file(dir.path / "A.PIX"), std::vector<uint8_t>({'o', 'l', 'd'}));
  }
}

// What a sweep removes: the new files of runs that have ended (and of
// earlier versions, whose names name no run), never one whose run is
// running or that another holds locked (open, on Windows).
TEST(FileBatch, ASweepRemovesOnlyTheFilesOfRunsThatEnded) {
  const std::string live = std::to_string(current_process_id()), random = "-0123456789abcdef";
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {"A.PIX.velmire-new", true},  {"B.PIX.velmire-new" + random, true},
      {"C.PIX.velmire-new-4194305" + random, true},  // no process has this identifier
      {"D.PIX.velmire-new-" + live + random, false}, {"E.PIX.velmire-new-12x" + random, false},
      {"F.PIX.velmire-new" + random.substr(1), false}, {"G.PIX", false},
      {"H.PIX.velmire-new", false},  // as A, but held
      {"I.PIX.velmire-new-18446744073713745921" + random, false},  // as C, but past 64 bits: no run's name
  };
  TempDir dir;
  for (const Case& c : cases) write_file(dir.path / c.name, std::string("new"));
  FolderHandle folder;
  FileHandle held;  // the last, held locked by a writer
  ASSERT_EQ(open_folder(dir.str().c_str(), &folder), 0);
  ASSERT_EQ(open_file_for_reading_at(folder, "H.PIX.velmire-new", &held), 0);
  lock_file(held, false);
  remove_leftovers(folder, dir.str().c_str());
  close_file(held);
  close_folder(&folder);
  for (const Case& c : cases) EXPECT_EQ(!fs::exists(dir.path / c.name), c.removed) << c.name;
}

}  // namespace
