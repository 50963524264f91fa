#include "pack/pack_walk.h"

#include <algorithm>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "fileio/folder_listing.h"
#include "pack/pack_archive.h"
#include "pack/pack_commit.h"
#include "pack/pack_pix_file.h"
#include "walk/extract_folder.h"

namespace {

const char kSeparator[] = {kPathSeparator, '\0'};

// Whether a folder below `folder` (up to `depth` levels down) holds
// numbered images.
bool holds_image_folders(const PathBuffer& folder, int depth) {
  std::vector<FolderEntry> entries;
  if (depth == 0 || list_folder_in_order(folder.text, &entries) != 0) return false;
  for (const FolderEntry& entry : entries) {
    PathBuffer sub;
    FileStatus status;
    if (!subfolder(folder, entry, &sub, &status)) continue;
    std::vector<FolderEntry> sub_entries;
    std::vector<TextureFile> files;
    std::string what;
    FolderImages images = look_into(sub, &sub_entries, &files, &what);
    if (images == FolderImages::found || images == FolderImages::problem || holds_image_folders(sub, depth - 1))
      return true;
  }
  return false;
}

// Walks the subfolders of `source` (whose listing is `entries`).
void walk_level(PackRun* run, const PathBuffer& source, const std::vector<FolderEntry>& entries,
                const PathBuffer& destination, const FolderChain* ancestors, bool* hint_given) {
  WalkedFolders walked;
  FolderChain here;
  begin_walk_level(source.text, ancestors, &walked, &here);
  for (const FolderEntry& entry : entries) {
    const std::string& name = entry.name;
    if (name == "." || name == ".." || entry.plain_file) continue;
    PathBuffer folder = source;
    FileStatus status;
    if (!path_append(&folder, name, kSeparator)) {
      print_path_too_long(run->err, source.text, name);
      continue;
    }
    if (get_file_status(folder.text, &status) != 0 || status.kind != EntryKind::folder) continue;
    std::vector<FolderEntry> sub_entries;
    std::vector<TextureFile> files;
    std::string problem;
    const FolderImages images = look_into(folder, &sub_entries, &files, &problem);
    if (images == FolderImages::found || images == FolderImages::problem) {
      if (images == FolderImages::found && packed_with_sixteen_bit_file(source, name)) continue;
      ++run->totals.image_folders;
      if (images == FolderImages::found) {
        try {
          pack_pix_file(run, folder, name, files, destination);
        } catch (const std::bad_alloc&) {
          count_left_as_it_was(run, (std::string(destination.text) + name).c_str(), "not enough memory");
        }
      } else {
        count_left_as_it_was(run, (std::string(destination.text) + name).c_str(),
                        "in folder " + std::string(folder.text) + ", " + problem);
      }
      continue;
    }
    if (images == FolderImages::unnumbered) print_not_read(run->err, folder.text);
    if (is_archive_folder(name, destination) && pack_archive(run, folder, sub_entries, name, destination)) continue;
    if (!run->recursive) {
      if (!*hint_given && holds_image_folders(folder, 8)) {
        std::fprintf(run->err, "Folders below %s hold images too: add -r to pack them\n", folder.text);
        *hint_given = true;
      }
      continue;
    }
    PathBuffer subfolder = destination;
    if (!may_walk_subfolder(&here, status.id, folder.text, run->err)) continue;
    if (!path_append(&subfolder, name, kSeparator)) {
      print_path_too_long(run->err, destination.text, name);
      continue;
    }
    walk_level(run, folder, sub_entries, subfolder, &here, hint_given);
  }
}

// Whether `destination` holds a plain file where an image folder below
// `source` (`relative` inside it) names a PIX file. Link loops in the
// source end at the folders already looked into.
bool holds_named_file(const PathBuffer& source, const PathBuffer& destination, bool recursive,
                      std::set<std::pair<uint64_t, uint64_t>>* seen) {
  std::vector<FolderEntry> entries;
  if (list_folder_in_order(source.text, &entries) != 0) return false;
  for (const FolderEntry& entry : entries) {
    PathBuffer folder, target = destination;
    FileStatus status, target_status;
    if (!subfolder(source, entry, &folder, &status) || !path_append(&target, entry.name)) continue;
    if (get_file_status(target.text, &target_status) != 0) continue;  // nothing below it either
    if (target_status.kind == EntryKind::file) return true;
    if (recursive && target_status.kind == EntryKind::folder && seen->insert({status.id.device, status.id.index}).second &&
        path_append(&target, kSeparator) && holds_named_file(folder, target, recursive, seen))
      return true;
  }
  return false;
}

}  // namespace

void pack_tree(PackRun* run, const PathBuffer& source, const PathBuffer& destination) {
  std::vector<FolderEntry> entries;
  std::vector<TextureFile> files;
  std::string problem;
  if (list_folder_in_order(source.text, &entries) != 0) {
    std::fprintf(run->err, "Source directory %s not found.\n", source.text);
    return;
  }
  const FolderImages own = classify_images(source.text, entries, &files, &problem);
  if (own == FolderImages::found || own == FolderImages::problem)
    std::fprintf(run->err, "Nothing is packed from folder %s: it holds the numbered images of one PIX file itself. "
                 "Give the folder that holds it as src_folder\n", source.text);
  else if (own == FolderImages::unnumbered)
    print_not_read(run->err, source.text);
  bool hint_given = false;
  start_report(run);
  walk_level(run, source, entries, destination, nullptr, &hint_given);
  commit(run);
}

bool points_one_level_too_high(const PathBuffer& source, const PathBuffer& destination, bool recursive, FILE* err) {
  // An empty destination is a tree to be made, and asks for no look.
  std::vector<FolderEntry> entries;
  if (list_folder_in_order(destination.text, &entries) != 0 ||
      std::all_of(entries.begin(), entries.end(), [](const FolderEntry& e) { return e.name == "." || e.name == ".."; }))
    return false;
  std::set<std::pair<uint64_t, uint64_t>> seen;
  if (holds_named_file(source, destination, recursive, &seen)) return false;
  for (const FolderEntry& entry : entries) {
    PathBuffer folder;
    FileStatus status;
    if (!subfolder(destination, entry, &folder, &status)) continue;
    seen.clear();
    if (!holds_named_file(source, folder, recursive, &seen)) continue;
    std::fprintf(err,
                 "ERROR: The destination %s holds none of the PIX files the images name, but its subfolder %s does: "
                 "nothing is written. Give that subfolder as dst_folder\n",
                 destination.text, folder.text);
    return true;
  }
  return false;
}

