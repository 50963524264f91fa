#include "walk/extract_folder.h"

#include <array>

#include "common/name_text.h"
#include "fileio/folder_listing.h"

#include "fileio/whole_file.h"
#include "naming/output_path.h"
#include "pix/pix_blocks.h"
#include "pix/twt_archive.h"
#include "walk/extract_textures.h"

static bool is_dot_entry(const std::string& name) {
  return name == "." || name == "..";
}

static bool leads_back(const FolderChain* chain, const FolderId& id) {
  for (; chain != nullptr; chain = chain->parent)
    if (chain->id == id) return true;
  return false;
}

static std::pair<uint64_t, uint64_t> walked_key(const FolderId& id) {
  return {id.device, id.index};
}

void begin_walk_level(const char* folder, const FolderChain* ancestors, WalkedFolders* walked, FolderChain* here) {
  // The top level keeps the record of the folders walked for the whole walk.
  *here = FolderChain{{}, ancestors, ancestors != nullptr ? ancestors->walked : walked};
  FileStatus own_status;
  if (get_file_status(folder, &own_status) == 0) {
    here->id = own_status.id;
    here->walked->ids.insert(walked_key(here->id));
  }
}

bool may_walk_subfolder(const FolderChain* here, const FolderId& id, const char* path, FILE* err) {
  if (leads_back(here, id)) {
    std::fprintf(err, "Skipped folder %s: it leads back into a folder that is being walked\n", path);
    return false;
  }
  if (here->walked->ids.count(walked_key(id)) != 0) {
    std::fprintf(err, "Skipped folder %s: it leads into a folder that was walked already\n", path);
    return false;
  }
  return true;
}

// A subfolder entry: walks it into the destination subfolder of the same
// name, which is built in the level's output path buffer.
static int walk_subfolder(PathBuffer* entry_path, const std::string& name,
                          const FileStatus& status, OutputFolders* folders,
                          const RunContext& context, const FolderChain* here) {
  FILE* err = context.err;
  const char separator[] = {kPathSeparator, '\0'};
  PathBuffer* subfolder_destination = &folders->output_path;
  *subfolder_destination = *folders->destination;
  if (!path_append(entry_path, separator)) {
    print_path_too_long(err, entry_path->text, "");  // the source folder, then the name
  } else if (!path_append(subfolder_destination, name, separator)) {
    print_path_too_long(err, folders->destination->text, name);
  } else if (may_walk_subfolder(here, status.id, entry_path->text, err)) {
    return extract_folder(*entry_path, subfolder_destination, context, here);
  }
  note_walk_message(context);
  return kWalkDone;
}

const char* twt_table_problem(TwtVerdict verdict) {
  switch (verdict) {
    case TwtVerdict::sound: return "";
    case TwtVerdict::size_differs: return "its first word is not the file's size";
    case TwtVerdict::count_too_large: return "its member count does not fit in the file";
    case TwtVerdict::length_past_end: return "a member runs past the end of the file";
    case TwtVerdict::members_end_early: return "its members end before the end of the file";
  }
  return "";
}

int walk_archive_members(std::span<const uint8_t> file, const char* archive_path, std::string_view archive_name,
                         TextureSequence* sequence, OutputFolders* folders, const RunContext& context) {
  FILE* err = context.err;
  TwtArchive archive;
  uint32_t at = 0;
  if (TwtVerdict verdict = open_twt_archive(file, &archive, &at); verdict != TwtVerdict::sound) {
    std::fprintf(err, "ERROR: The TWT archive %s is refused: %s", archive_path, twt_table_problem(verdict));
    if (verdict == TwtVerdict::length_past_end) std::fprintf(err, " (member %u)", at + 1);
    std::fputs("\n", err);
    note_walk_message(context);
    return kWalkDone;
  }
  const char separator[] = {kPathSeparator, '\0'};
  PathBuffer destination = *folders->destination;
  if (!path_append(&destination, archive_name, separator)) {
    print_path_too_long(err, folders->destination->text, archive_name);
    note_walk_message(context);
    return kWalkDone;
  }
  OutputFolders member_folders;
  begin_output_folders(&member_folders, &destination, context.output_tree);
  MemberFolders taken;
  TwtMember member;
  while (next_twt_member(&archive, &member)) {
    // Only PIX files are extracted; the archive's other members are not.
    if (!is_pix_member(member)) continue;
    PathBuffer member_name;
    PathBuffer member_path;
    path_assign(&member_path, archive_path);
    std::string_view earlier;
    if (!copy_member_name(member.name, &member_name) ||
        !path_append(&member_path, separator, path_view(member_name))) {
      std::string rest = text_of_name(member.name);
      rest.insert(rest.begin(), kPathSeparator);
      print_path_too_long(err, archive_path, rest);
      note_walk_message(context);
      continue;
    }
    if (!take_member_folder(&taken, path_view(member_name), member.name, &earlier)) {
      std::fprintf(err,
                   "ERROR: The member \"%s\" of the TWT archive %s is refused: its folder %s would be that of "
                   "the member \"%s\" before it\n",
                   text_of_name(member.name).c_str(), archive_path, member_name.text, text_of_name(earlier).c_str());
      note_walk_message(context);
      continue;
    }
    int result = scan_pix_blocks(member.bytes, member_path.text, path_view(member_name), archive_name, sequence,
                                 &member_folders, context);
    restore_destination(&member_folders);
    if (result == kWalkFolderFailed) return kWalkDone;  // only the archive's walk ended
    result = past_damaged_file(result, context);
    if (result != kWalkDone) return result;
  }
  return kWalkDone;
}

// A file that is no PIX file, with "-c2": a TWT archive when its first four
// bytes (little-endian) give its size, or, whatever they give, when its name
// ends in ".TWT" (in any case). Checking the size first spares loading the
// folder's other files.
static int walk_archive(const PathBuffer& entry_path, const std::string& name, TextureSequence* sequence,
                        OutputFolders* folders, const RunContext& context, ByteBuffer* buffer) {
  FILE* err = context.err;
  const bool named = is_twt_name(name);
  FileStatus status;
  const bool known = get_file_status(entry_path.text, &status) == 0;
  // A file of 4 GiB or more has no first word that could give its size.
  std::span<const uint8_t> file;
  const FileResult loaded =
      !known ? FileResult::unreadable
      : status.size > UINT32_MAX
          ? FileResult::other
          : check_and_load_file(entry_path.text, twt_size_word(static_cast<uint32_t>(status.size)), buffer, &file, err);
  if (loaded == FileResult::other && named) {
    std::fprintf(err, "ERROR: The TWT archive %s is refused: %s\n", entry_path.text, twt_table_problem(TwtVerdict::size_differs));
    note_walk_message(context);
  } else if (loaded == FileResult::unreadable || loaded == FileResult::not_loaded) {
    std::fprintf(err, "Could not read the TWT archive %s\n", entry_path.text);
    note_walk_message(context);
    return context.options.keep_going == 1 ? kWalkDone : kWalkFolderFailed;
  } else if (loaded == FileResult::ok) {
    return walk_archive_members(file, entry_path.text, name, sequence, folders, context);
  }
  return kWalkDone;
}

// A file entry: runs the texture sequence over it when it is a PIX file,
// and with "-c2" over the PIX files inside it when it is a TWT archive.
static int walk_file(const PathBuffer& entry_path, const std::string& name,
                     TextureSequence* sequence, OutputFolders* folders,
                     const RunContext& context) {
  FILE* err = context.err;
  // The run's buffer, or one for this file alone.
  ByteBuffer own_buffer;
  ByteBuffer* buffer = context.scratch != nullptr ? &context.scratch->file : &own_buffer;
  std::span<const uint8_t> file;
  FileStart start;
  const FileResult loaded = check_and_load_file(entry_path.text, kPixSignature, buffer, &file, err, &start);
  int result = kWalkDone;
  if (loaded == FileResult::unreadable) {
    std::fprintf(err, "Could not check if the file %s is a correct PIX\n", entry_path.text);
    note_walk_message(context);
    result = context.options.keep_going == 1 ? kWalkDone : kWalkFolderFailed;
  } else if (loaded == FileResult::not_loaded) {
    std::fprintf(err,
                 "Could not read from the PIX file %s after checking that it was a correct PIX\n",
                 entry_path.text);
    note_walk_message(context);
    result = past_damaged_file(kWalkLoadFailed, context);
  } else if (loaded == FileResult::ok) {
    result = past_damaged_file(scan_pix_blocks(file, entry_path.text, name, {}, sequence, folders, context), context);
    restore_destination(folders);
  } else if (context.options.c2 == 1) {
    result = walk_archive(entry_path, name, sequence, folders, context, buffer);
  } else if (context.outcome != nullptr && judge_twt_start({start.bytes, start.count}, start.size) == TwtVerdict::sound) {
    ++context.outcome->newer_files;  // an archive, which "-c2" reads
  }
  release_bytes(&own_buffer);
  return result;
}

int extract_folder(const PathBuffer& source, PathBuffer* destination, const RunContext& context,
                   const FolderChain* ancestors) {
  OutputFolders folders;
  begin_output_folders(&folders, destination, context.output_tree);
  TextureSequence sequence;

  std::vector<FolderEntry> entries;
  if (list_folder_in_order(source.text, &entries) != 0) {
    std::fprintf(context.err, "Source directory %s not found.\n", source.text);
    note_walk_message(context);
    return kWalkFolderFailed;
  }
  WalkedFolders walked;
  FolderChain here;
  begin_walk_level(source.text, ancestors, &walked, &here);

  for (const FolderEntry& entry : entries) {
    const std::string& name = entry.name;
    if (is_dot_entry(name)) continue;
    PathBuffer entry_path = source;
    if (!path_append(&entry_path, name)) {
      print_path_too_long(context.err, source.text, name);
      note_walk_message(context);
      continue;
    }
    // A plain file takes the file branch whatever its status says (a status
    // that cannot be read takes it too), so it is not asked for.
    FileStatus status;
    bool known = !entry.plain_file && get_file_status(entry_path.text, &status) == 0;
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
