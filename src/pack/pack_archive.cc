#include "pack/pack_archive.h"

#include <algorithm>
#include <new>

#include "naming/output_path.h"
#include "pack/pack_commit.h"
#include "pack/pack_pix_file.h"
#include "pack/twins.h"
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

// The job of the member `member`, named in the report inside the archive
// `archive` by its folder `folder_name`, the same on every system.
PixJob member_job(const std::string& archive, const std::string& folder_name, const std::vector<TwtMember>& members,
                  size_t member, const char* target) {
  PixJob job;
  job.name = archive + "/" + folder_name;
  job.file_name = members[member].name;
  job.old = members[member].bytes;
  job.target = target;
  job.member = member;
  return job;
}

// Adds a job for the P08 member of each P16 member with images whose P08
// has none, so that its twins may be kept in step.
void add_eight_bit_jobs(const std::string& archive, const std::vector<TwtMember>& members, const char* target,
                        std::vector<PixJob>* jobs) {
  for (size_t i = 0, count = jobs->size(); i < count; ++i) {
    if (!is_sixteen_bit_name((*jobs)[i].file_name)) continue;
    const std::string eight = twin_file_name((*jobs)[i].file_name);
    for (size_t m = 0; m < members.size(); ++m) {
      PathBuffer folder_name;
      if (members[m].name != eight || !is_pix_member(members[m]) || !copy_member_name(members[m].name, &folder_name) ||
          std::any_of(jobs->begin(), jobs->end(), [&](const PixJob& job) { return job.member == m; }))
        continue;
      jobs->push_back(member_job(archive, std::string(path_view(folder_name)), members, m, target));
      break;
    }
  }
}

// Rebuilds the TWT archive `name` in `destination` from the image folders
// of its PIX files: each is rebuilt as a loose one would be, and the twins
// of P16 members kept in step with their P08 members. An archive whose
// members all give back their textures is left as it is; otherwise the
// members that do are copied byte for byte, every member keeps its table
// entry's name bytes, and the table and padding are made anew.
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
  std::vector<PixJob> jobs;
  for (MemberFolder& folder : *folders) {
    jobs.push_back(member_job(name, folder.name, members, folder.member, target.path.text));
    jobs.back().folder = folder.path;
    jobs.back().files = std::move(folder.files);
  }
  add_eight_bit_jobs(name, members, target.path.text, &jobs);
  std::sort(jobs.begin(), jobs.end(), [](const PixJob& a, const PixJob& b) { return a.member < b.member; });
  for (PixJob& job : jobs) {
    if (job.files.empty()) continue;
    if (!build_pix_job(run, &job)) return;
    keep_built(run, &job);
  }
  for (const PixJob& sixteen : jobs) {
    if (sixteen.files.empty() || !is_sixteen_bit_name(sixteen.file_name)) continue;
    const std::string eight_name = twin_file_name(sixteen.file_name);
    for (PixJob& eight : jobs)
      if (eight.file_name == eight_name && !keep_twins_in_step(run, sixteen, &eight, target.path.text)) return;
  }
  PixJob archive;  // the report lines and counts of all its members
  for (const PixJob& job : jobs) {
    archive.changed = archive.changed || job.changed;
    archive.lines += job.lines;
    add_texture_counts(&archive.counts, job.counts);
    if (job.changed) members[job.member].bytes = job.built;
  }
  run->archive.clear();
  if (archive.changed) append_twt_archive(&run->archive, members, pad_last);
  queue_job(run, target, name, run->archive, old, archive);
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

