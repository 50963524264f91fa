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
  const std::vector<std::string> in_order =
      kSyncsFileSystems
          ? std::vector<std::string>{"sync_file_system", "rename A.PIX", "rename B.PIX", "sync_file_system"}
          : std::vector<std::string>{"sync_file", "sync_file", "rename A.PIX", "rename B.PIX", "sync_folder"};
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
    EXPECT_EQ(calls, (std::vector<std::string>{"sync_file_system", "sync_file_system"}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].error_number, EIO);
    EXPECT_FALSE(results[0].renamed);
    EXPECT_EQ(list_tree(dir.path), (std::vector<std::string>{"A.PIX"}));
    EXPECT_EQ(read_file(dir.path / "A.PIX"), std::vector<uint8_t>({'o', 'l', 'd'}));
  }
}

}  // namespace
