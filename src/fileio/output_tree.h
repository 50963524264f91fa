// The destination tree: the destination folder as the user gave it (a link
// there is the user's choice), and the folders below it that output goes
// into, each reached from its parent without following a link. A link
// planted anywhere below the destination therefore never receives a file or
// a folder: what stands in the way makes that output fail instead.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "common/path_buffer.h"
#include "platform/platform.h"

struct OutputTree {
  PathBuffer root;  // the destination folder, ending in one separator
  FolderHandle root_folder;
  // The folders below the root entered last, outermost first, held open so
  // that the files of one folder cost no opening of it. The innermost may be
  // one this run has just made, not opened yet (its handle's value is -1).
  struct Level {
    std::string name;
    FolderHandle folder;
    bool made = false;  // by this run: it held nothing before
  };
  std::vector<Level> levels;
};

// One output file: where it goes and what writing it may use.
struct OutputFile {
  OutputTree* tree = nullptr;
  const char* path = "";           // its whole path, inside the tree
  ByteBuffer* buffer = nullptr;    // the run's buffer for its bytes, or null for one of its own
  FILE* err = nullptr;             // its messages
};

// Opens the destination folder. Returns 0, or the error number.
int open_output_tree(const PathBuffer& destination, OutputTree* tree);
void close_output_tree(OutputTree* tree);

// Enters every folder of `folder_path` (a path inside the tree ending in a
// separator), creating those missing when `create` is set. Returns false
// when one cannot be made or opened: a link, a file or nothing stands where
// it must be.
bool enter_output_folder(OutputTree* tree, std::string_view folder_path, bool create);

// The innermost folder entered, opened now if it was not, or nullptr when it
// cannot be.
const FolderHandle* held_output_folder(OutputTree* tree);

// The folder entered at `level` (0 the outermost below the root), opened now
// if it was not, or nullptr when it cannot be.
const FolderHandle* entered_folder(OutputTree* tree, size_t level);

// Whether the innermost folder entered was made by this run.
bool output_folder_is_new(const OutputTree& tree);

// write_whole_file for the file at `path` inside the tree. When its folder
// cannot be reached it prints "Cannot open file %s for writing", as for a
// file that cannot be opened. Returns 0, or 1 after a message.
int write_output_file(OutputTree* tree, const char* path, const void* data, uint32_t size, FILE* err,
                      std::span<const uint8_t> protected_prefix);
