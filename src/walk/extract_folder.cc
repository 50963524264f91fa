#include "walk/extract_folder.h"

#include <algorithm>

#include "fileio/whole_file.h"
#include "naming/output_path.h"
#include "pix/pix_blocks.h"
#include "pix/texture_sequence.h"

static unsigned char fold_case(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool listing_order(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = fold_case(static_cast<unsigned char>(a[i]));
    unsigned char y = fold_case(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

static bool is_dot_entry(const std::string& name) {
  return name == "." || name == "..";
}

static bool leads_back(const FolderChain* chain, const FolderId& id) {
  for (; chain != nullptr; chain = chain->parent)
    if (chain->id == id) return true;
  return false;
}

static void print_too_long(FILE* err, const char* folder, const std::string& name) {
  std::fprintf(err, "ERROR: The path %s%s is too long\n", folder, name.c_str());
}

// A subfolder entry: walks it into the destination subfolder of the same
// name, which is built in the level's output path buffer.
static int walk_subfolder(PathBuffer* entry_path, const std::string& name,
                          const FileStatus& status, OutputFolders* folders,
                          const RunContext& context, const FolderChain* here) {
  FILE* err = context.err;
  const char separator[] = {kPathSeparator, '\0'};
  if (!path_append(entry_path, separator)) {
    print_too_long(err, entry_path->text, "");  // the source folder, then the name
    return kWalkDone;
  }
  PathBuffer* subfolder_destination = &folders->output_path;
  *subfolder_destination = *folders->destination;
  if (!path_append(subfolder_destination, name, separator)) {
    print_too_long(err, folders->destination->text, name);
    return kWalkDone;
  }
  if (leads_back(here, status.id)) {
    std::fprintf(err, "Skipped folder %s: it leads back into a folder that is being walked\n",
                 entry_path->text);
    return kWalkDone;
  }
  return extract_folder(*entry_path, subfolder_destination, context, here);
}

// A file entry: runs the texture sequence over it when it is a PIX file.
static int walk_file(const PathBuffer& entry_path, const std::string& name,
                     TextureSequence* sequence, OutputFolders* folders,
                     const RunContext& context) {
  FILE* err = context.err;
  int prefix = compare_file_prefix(entry_path.text, kPixSignature, err);
  if (prefix == 2) return kWalkDone;
  if (prefix != 0) {
    std::fprintf(err, "Could not check if the file %s is a correct PIX\n", entry_path.text);
    return kWalkFolderFailed;
  }
  LoadedFile file;
  if (read_whole_file(entry_path.text, &file, err) != 0) {
    std::fprintf(err,
                 "Could not read from the PIX file %s after checking that it was a correct PIX\n",
                 entry_path.text);
    return kWalkLoadFailed;
  }
  int result = scan_pix_blocks({file.bytes, file.size}, entry_path.text, name, sequence,
                               folders, context);
  restore_destination(folders);
  release_loaded_file(&file);
  return result;
}

int extract_folder(const PathBuffer& source, PathBuffer* destination, const RunContext& context,
                   const FolderChain* ancestors) {
  OutputFolders folders;
  begin_output_folders(&folders, destination);
  TextureSequence sequence;

  std::vector<std::string> names;
  if (list_folder(source.text, &names) != 0) {
    std::fprintf(context.err, "Source directory %s not found.\n", source.text);
    return kWalkFolderFailed;
  }
  std::sort(names.begin(), names.end(), listing_order);

  FolderChain here{{}, ancestors};
  FileStatus own_status;
  if (get_file_status(source.text, &own_status) == 0) here.id = own_status.id;

  for (const std::string& name : names) {
    if (is_dot_entry(name)) continue;
    PathBuffer entry_path = source;
    if (!path_append(&entry_path, name)) {
      print_too_long(context.err, source.text, name);
      continue;
    }
    FileStatus status;
    bool known = get_file_status(entry_path.text, &status) == 0;
    int result = kWalkDone;
    if (known && status.kind == EntryKind::folder) {
      if (context.options.recursive != 1) continue;
      result = walk_subfolder(&entry_path, name, status, &folders, context, &here);
      if (result == kWalkFolderFailed) result = kWalkDone;  // only that subfolder ended
    } else if (known && status.kind == EntryKind::other) {
      // Devices, pipes and sockets hold no PIX file; opening a pipe would
      // wait for a writer that never comes.
      continue;
    } else {
      result = walk_file(entry_path, name, &sequence, &folders, context);
    }
    if (result != kWalkDone) return result;
  }
  return kWalkDone;
}
