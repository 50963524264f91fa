#include "pack/pack_archive.h"

#include <algorithm>
#include <new>

#include "naming/output_path.h"
#include "pack/pack_commit.h"
#include "pack/pack_pix_file.h"
#include "pix/twt_archive.h"
#include "walk/extract_folder.h"

namespace {

const char kNoArchive[] =
    "there is no TWT archive to rebuild (velmire-pack makes none: copy the game's archive there first)";

// A folder of images, and the PIX file of an archive it stands for.
struct MemberFolder {
  std::string name;
  PathBuffer path;
  std::vector<TextureFile> files;
  size_t member = SIZE_MAX;  // its index in the archive
};

// Matches each folder with the PIX member whose name velmire gives its
// folder; a member whose folder repeats an earlier one's velmire leaves
// out, and so is it here. False with `problem` set when a folder names
// none.
bool match_members(std::span<const uint8_t> archive_file, std::vector<MemberFolder>* folders,
                   std::vector<TwtMember>* members, std::string* problem) {
  TwtArchive archive;
  uint32_t at = 0;
  if (TwtVerdict verdict = open_twt_archive(archive_file, &archive, &at); verdict != TwtVerdict::sound) {
    *problem = std::string("it is not a TWT archive whose table is sound: ") + twt_table_problem(verdict);
    return false;
  }
  MemberFolders taken;
  for (TwtMember member; next_twt_member(&archive, &member);) {
    members->push_back(member);
    PathBuffer folder_name;
    std::string_view earlier;
    if (!is_pix_member(member) || !copy_member_name(member.name, &folder_name) ||
        !take_member_folder(&taken, path_view(folder_name), member.name, &earlier))
      continue;
    for (MemberFolder& folder : *folders)
      if (folder.name == path_view(folder_name)) folder.member = members->size() - 1;
  }
  for (const MemberFolder& folder : *folders) {
    if (folder.member != SIZE_MAX) continue;
    *problem = "it holds no PIX file for the images of folder " + std::string(folder.path.text);
    return false;
  }
  return true;
}

// Rebuilds the TWT archive `name` in `destination` from the image folders
// of its PIX files: each is rebuilt as a loose one would be, the other
// members are kept, and the table and padding are made anew.
void rebuild_archive(PackRun* run, std::vector<MemberFolder>* folders, const std::string& name,
                     const PathBuffer& destination) {
  Target target;
  OldFile old;
  if (!enter_target(run, destination, name, kNoArchive, &target) || !load_old_file(run, target, name, OldKind::archive, &old)) return;
  std::vector<TwtMember> members;
  std::string problem = old.found == FileResult::ok ? "" : kNoArchive;
  if (!problem.empty() || !match_members(old.bytes, folders, &members, &problem))
    return count_left_as_it_was(run, target.path.text, problem);
  // The last member padded as it was: the archive ended past its bytes.
  const std::span<const uint8_t> last = members.back().bytes;
  const bool pad_last = last.data() + last.size() != old.bytes.data() + old.bytes.size();
  std::sort(folders->begin(), folders->end(), [](const auto& a, const auto& b) { return a.member < b.member; });
  PendingFile pending;
  std::string lines;
  std::vector<std::vector<uint8_t>> rebuilt;
  rebuilt.reserve(folders->size());
  // The report names each PIX file inside its archive, the same on every
  // system.
  for (const MemberFolder& member : *folders) {
    if (!build_pix_file(run, member.path, name + "/" + member.name, member.files, members[member.member].bytes,
                        target.path.text, &pending, &lines))
      return;
    const std::span<const uint8_t> bytes = output_bytes(run->output);
    rebuilt.emplace_back(bytes.begin(), bytes.end());
    members[member.member].bytes = rebuilt.back();
  }
  run->archive.clear();
  append_twt_archive(&run->archive, members, pad_last);
  queue_file(run, target, name, run->archive, old, std::move(pending), lines);
}

}  // namespace

bool is_archive_folder(const std::string& name, const PathBuffer& destination) {
  if (is_twt_name(name)) return true;
  PathBuffer target = destination;
  FileStatus status;
  return path_append(&target, name) && get_file_status(target.text, &status) == 0 && status.kind == EntryKind::file;
}

bool pack_archive(PackRun* run, const PathBuffer& folder, const std::vector<FolderEntry>& entries,
                  const std::string& name, const PathBuffer& destination) {
  const std::string target = std::string(destination.text) + name;
  std::vector<MemberFolder> folders;
  for (const FolderEntry& entry : entries) {
    MemberFolder member{entry.name, {}, {}};
    FileStatus status;
    std::vector<FolderEntry> member_entries;
    std::string problem;
    if (!subfolder(folder, entry, &member.path, &status)) continue;
    const FolderImages images = look_into(member.path, &member_entries, &member.files, &problem);
    if (images == FolderImages::unnumbered) print_not_read(run->err, member.path.text);
    if (images == FolderImages::found) folders.push_back(std::move(member));
    if (images != FolderImages::problem) continue;
    ++run->totals.image_folders;
    count_left_as_it_was(run, target.c_str(), "in folder " + std::string(member.path.text) + ", " + problem);
    return true;
  }
  if (folders.empty()) return false;
  ++run->totals.image_folders;
  try {
    rebuild_archive(run, &folders, name, destination);
  } catch (const std::bad_alloc&) {
    count_left_as_it_was(run, target.c_str(), "not enough memory");
  }
  return true;
}

