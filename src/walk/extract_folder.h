// The folder walk: lists a source folder, recognises PIX files by their
// signature, runs the texture sequence over each and, with recursion on,
// walks every subfolder into the matching destination subfolder.
#pragma once

#include <cstdio>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/path_buffer.h"
#include "fileio/folder_listing.h"
#include "naming/output_path.h"
#include "pix/texture_sequence.h"
#include "pix/twt_archive.h"
#include "walk/run_context.h"
#include "platform/platform.h"

// Every folder the walk has entered. A folder reached again through a link
// is skipped: links between sibling folders would otherwise make the walk
// follow every path through them, exponentially many.
struct WalkedFolders {
  std::set<std::pair<uint64_t, uint64_t>> ids;  // device and index
};

// The folders being walked, innermost first, so that a link back into one of
// them is recognised instead of followed without end.
struct FolderChain {
  FolderId id;
  const FolderChain* parent = nullptr;
  WalkedFolders* walked = nullptr;  // shared by the whole walk
};

// Walks one folder. `source` ends in one separator; `destination` is the
// caller's buffer, ending in one separator, and is set back after each PIX
// file. Returns 0 when the listing was read to its end, 1 when this folder's
// walk ended early (its parent goes on), or 2, 3 or 4 when the whole walk
// must end.
int extract_folder(const PathBuffer& source, PathBuffer* destination, const RunContext& context,
                   const FolderChain* ancestors = nullptr);

// Walks the members of a loaded TWT archive as the files of a folder named
// `archive_name` in the level's destination: its PIX members as PIX files
// (messages name them as files in a folder at `archive_path`), the others
// not at all. A table that lies is refused with a message. Returns 0 (also
// when a member ended the archive's walk, as a subfolder's would end), or 3
// or 4 when the whole walk must end.
int walk_archive_members(std::span<const uint8_t> file, const char* archive_path, std::string_view archive_name,
                         TextureSequence* sequence, OutputFolders* folders, const RunContext& context);

// Why open_twt_archive refused a table, as messages say it.
const char* twt_table_problem(TwtVerdict verdict);

// Starts a walk level on `folder`: links it to its ancestors and records it
// as walked (in `walked` at the top level, in the top's record below it).
void begin_walk_level(const char* folder, const FolderChain* ancestors, WalkedFolders* walked, FolderChain* here);

// Whether the subfolder `id` at `path` may be walked from the level `here`:
// not when it leads back into a folder being walked, or into one walked
// already; then a message says it is skipped.
bool may_walk_subfolder(const FolderChain* here, const FolderId& id, const char* path, FILE* err);
