#include "pack/pack_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <set>
#include <string_view>

#include "common/name_text.h"
#include "fileio/whole_file.h"
#include "naming/output_path.h"
#include "pix/twt_archive.h"

namespace {

const char kSeparator[] = {kPathSeparator, '\0'};

// The report lines a batch holds at most, reserved once, so that memory
// does not follow the number of files: the game's 9,029 lines (about
// 800 KB) take two batches, four syncs for its five folders.
constexpr size_t kReportBytes = size_t{512} << 10;

const char kNotRead[] =
    "its images are not numbered in folders of their own, as velmire writes them with -file or -noenum. "
    "velmire-pack reads the trees velmire writes without these two options (\"GO.PIX%c0001. go.pix.bmp\")";

const char kNoArchive[] =
    "there is no TWT archive to rebuild (velmire-pack makes none: copy the game's archive there first)";

// The counter of the texture type a report code names.
int32_t* type_count(PackTotals* totals, std::string_view code) {
  if (code == "SP") return &totals->splat_pack;
  if (code == "2B") return &totals->true_colour_2;
  if (code == "3B") return &totals->true_colour_3;
  if (code == "4B") return &totals->true_colour_4;
  return &totals->normal;
}

void leave_as_it_was(PackRun* run, const char* target, const std::string& reason) {
  std::fprintf(run->err, "%s is left as it was: %s\n", target, reason.c_str());
  ++run->totals.files_not_written;
}

void print_not_written(PackRun* run, const std::string& target, int error_number) {
  std::fprintf(run->err, "Could not write the PIX file %s: %s\n", target.c_str(), std::strerror(error_number));
  ++run->totals.files_not_written;
}

// Renames the batch's files into place and prints the report lines of
// every file packed since the last commit, in the order of the walk.
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
      print_not_written(run, file.path, result.error_number);
      continue;
    }
    std::fwrite(lines.data(), 1, lines.size(), run->out);
    PackTotals& totals = run->totals;
    totals.normal += file.counts.normal, totals.splat_pack += file.counts.splat_pack;
    totals.true_colour_2 += file.counts.true_colour_2;
    totals.true_colour_3 += file.counts.true_colour_3, totals.true_colour_4 += file.counts.true_colour_4;
    totals.inexact_pixels += file.counts.inexact_pixels;
    ++(file.in_batch ? totals.files_written : totals.files_unchanged);
  }
  run->pending.clear();
  run->report.clear();
}

// Why an image file could not be read.
std::string read_failure(int error_number) {
  if (error_number == EINVAL) return "not a plain file (a folder, a pipe, a device or a socket)";
  if (error_number == EFBIG) return "larger than an image of the pixels -maxpixels allows can be";
  return std::strerror(error_number);
}

// Adds the texture of the `index`th image, `file` in `images` (the folder
// `folder`), to the PIX file `name` being built, its report line to
// `lines`. Returns true, or false after leaving the target as it was.
bool pack_image(PackRun* run, const FolderHandle& images, const PathBuffer& folder, const TextureFile& file,
                size_t index, const std::string& name, const char* target, PendingFile* pending, std::string* lines) {
  std::string texture_name, problem;
  try {
    std::span<const uint8_t> bytes;
    const uint64_t limit = image_file_limit(run->textures.max_pixels);
    int error_number = read_plain_file(images, file.file_name.c_str(), file.plain_file, limit, &run->image_file, &bytes);
    PackedTexture packed;
    if (error_number != 0) {
      problem = read_failure(error_number);
    } else if (add_texture_image(&run->build, index, file, bytes, &run->image_buffers, run->textures, &packed,
                                 &texture_name, &problem)) {
      ++*type_count(&pending->counts, packed.code);
      pending->counts.inexact_pixels += packed.inexact_pixels;
      *lines += std::string(packed.code) + ": " + name + " (";
      append_name_text(texture_name, lines);
      *lines += ") <-- " + file.file_name;
      if (packed.paletted) *lines += ", " + std::to_string(packed.inexact_pixels) + " pixels without an exact colour";
      *lines += '\n';
      return true;
    }
  } catch (const std::bad_alloc&) {
    problem = "not enough memory";
  }
  leave_as_it_was(run, target, std::string(folder.text) + file.file_name + ": " + problem);
  return false;
}

// Builds the new PIX file `name` from the images in `folder`, its report
// lines in `lines`. Returns true, or false after leaving the target as it
// was.
bool build_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                    const std::vector<TextureFile>& files, std::span<const uint8_t> old_file, const char* target,
                    PendingFile* pending, std::string* lines) {
  if (!start_pix_build(old_file, &run->output, &run->build)) {
    leave_as_it_was(run, target, "not enough memory");
    return false;
  }
  // Held open, so that each image is found in it by its name alone.
  FolderHandle images;
  if (int error_number = open_folder(folder.text, &images); error_number != 0) {
    leave_as_it_was(run, target, std::string(folder.text) + ": " + std::strerror(error_number));
    return false;
  }
  bool built = true;
  for (size_t i = 0; i < files.size() && built; ++i)
    built = pack_image(run, images, folder, files[i], i, name, target, pending, lines);
  close_folder(&images);
  return built;
}

// Why the file standing where the PIX file goes is left as it is.
std::string old_file_problem(SignedFile found, int error_number) {
  if (found == SignedFile::other) return "it is not a PIX file";
  if (found == SignedFile::not_plain) return "it is not a plain file (a folder, a link, a pipe, a device or a socket)";
  return std::string("it cannot be read: ") + std::strerror(error_number);
}

// Where a packed file goes: its path, its folder held open, and the
// folder's key in the batch.
struct Target {
  PathBuffer path;
  const FolderHandle* folder = nullptr;
  std::string folder_key;
  bool new_folder = false;  // made by this run: it holds no file yet
};

// Enters the folder `destination` of the file `name`, making it when
// `create` is set, and removes what stopped runs left there. False after a
// message when it cannot be had.
bool enter_target(PackRun* run, const PathBuffer& destination, const std::string& name, bool create, Target* target) {
  target->path = destination;
  if (!path_append(&target->path, name)) {
    std::fprintf(run->err, "ERROR: The path %s%s is too long\n", destination.text, name.c_str());
    ++run->totals.files_not_written;
    return false;
  }
  OutputTree* tree = run->tree;
  target->folder = enter_output_folder(tree, path_view(destination), create) ? held_output_folder(tree) : nullptr;
  if (target->folder == nullptr && !create) {
    leave_as_it_was(run, target->path.text, kNoArchive);
    return false;
  }
  if (target->folder == nullptr) {
    std::fprintf(run->err, "Could not write the PIX file %s: its folder cannot be made or opened\n", target->path.text);
    ++run->totals.files_not_written;
    return false;
  }
  target->new_folder = output_folder_is_new(*tree);
  target->folder_key = path_view(destination);
  if (!target->new_folder &&
      std::find(run->cleaned.begin(), run->cleaned.end(), target->folder_key) == run->cleaned.end()) {
    remove_leftovers(*target->folder, destination.text);
    run->cleaned.push_back(target->folder_key);
  }
  return true;
}

// The file a pack replaces, as load_signed_file_at found it.
struct OldFile {
  SignedFile found = SignedFile::missing;
  std::span<const uint8_t> bytes;
  FileStatus status;
};

// Loads the file `name` of the target's folder into the run's buffer when
// it begins with `signature`. False after leaving it as it was when
// something else stands there.
bool load_old_file(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> signature,
                   OldFile* old) {
  int error_number = 0;
  if (!target.new_folder)
    old->found = load_signed_file_at(*target.folder, name.c_str(), signature, &run->old_file, &old->bytes,
                                     &old->status, &error_number);
  if (old->found == SignedFile::missing || old->found == SignedFile::loaded) return true;
  leave_as_it_was(run, target.path.text, old_file_problem(old->found, error_number));
  return false;
}

// Queues the new bytes of the target: into the batch when they differ from
// the old file's, else only its report lines.
void queue_file(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> bytes,
                const OldFile& old, PendingFile pending, const std::string& lines) {
  pending.path = target.path.text;
  pending.in_batch = !(old.found == SignedFile::loaded && bytes.size() == old.bytes.size() &&
                       std::memcmp(bytes.data(), old.bytes.data(), bytes.size()) == 0);
  if (batch_is_full(run->batch) || run->report.size() + lines.size() > kReportBytes) commit(run);
  // Taken down first: what may throw does so before the file joins the batch.
  const size_t report_start = run->report.size();
  run->report += lines;
  pending.report_end = run->report.size();
  run->pending.push_back(std::move(pending));
  if (!run->pending.back().in_batch) return;
  const uint32_t mode = old.found == SignedFile::loaded ? old.status.mode : 0;
  const int error_number = add_to_batch(&run->batch, *target.folder, target.folder_key, name.c_str(), bytes, mode);
  if (error_number == 0) return;
  run->pending.pop_back();
  run->report.resize(report_start);
  print_not_written(run, target.path.text, error_number);
}

// Packs the numbered images of `folder` into the PIX file `name` in
// `destination`: built in memory, compared with the file it replaces, and
// written into the batch when it differs.
void pack_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination) {
  Target target;
  OldFile old;
  if (!enter_target(run, destination, name, true, &target) || !load_old_file(run, target, name, kPixSignature, &old))
    return;
  PendingFile pending;
  std::string lines;
  if (build_pix_file(run, folder, name, files, old.bytes, target.path.text, &pending, &lines))
    queue_file(run, target, name, output_bytes(run->output), old, std::move(pending), lines);
}

void print_not_read(FILE* err, const char* folder) {
  std::fprintf(err, "Nothing is packed from folder %s: ", folder);
  std::fprintf(err, kNotRead, kPathSeparator);
  std::fprintf(err, "\n");
}

// The subfolder `entry` of `parent`, its path (ending in a separator) in
// `folder`: false for a file, "." or "..", or a path that does not fit.
bool subfolder(const PathBuffer& parent, const FolderEntry& entry, PathBuffer* folder, FileStatus* status) {
  *folder = parent;
  return !entry.plain_file && entry.name != "." && entry.name != ".." && path_append(folder, entry.name, kSeparator) &&
         get_file_status(folder->text, status) == 0 && status->kind == EntryKind::folder;
}

// What a folder of the source is, from its listing.
FolderImages look_into(const PathBuffer& folder, std::vector<FolderEntry>* entries, std::vector<TextureFile>* files,
                       std::string* what) {
  entries->clear();
  if (list_folder_in_order(folder.text, entries) != 0) return FolderImages::none;
  return classify_images(folder.text, *entries, files, what);
}

// A folder of images, and the PIX file of an archive it stands for.
struct MemberFolder {
  std::string name;
  PathBuffer path;
  std::vector<TextureFile> files;
  size_t member = SIZE_MAX;  // its index in the archive
};

// Matches each folder with the PIX member whose name velmire gives its
// folder. False with `problem` set when a folder names none, or two.
bool match_members(std::span<const uint8_t> archive_file, std::vector<MemberFolder>* folders,
                   std::vector<TwtMember>* members, std::string* problem) {
  TwtArchive archive;
  uint32_t at = 0;
  if (TwtTable table = open_twt_archive(archive_file, &archive, &at); table != TwtTable::sound) {
    *problem = std::string("it is not a TWT archive whose table is sound: ") + twt_table_problem(table);
    return false;
  }
  for (TwtMember member; next_twt_member(&archive, &member);) {
    members->push_back(member);
    PathBuffer folder_name;
    if (member.bytes.size() < kPixSignature.size() ||
        !std::equal(kPixSignature.begin(), kPixSignature.end(), member.bytes.begin()) ||
        !copy_member_name(member.name, &folder_name))
      continue;
    for (MemberFolder& folder : *folders) {
      if (folder.name != path_view(folder_name)) continue;
      if (folder.member != SIZE_MAX) {
        *problem = "two of its PIX files have the folder " + folder.name;
        return false;
      }
      folder.member = members->size() - 1;
    }
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
  if (!enter_target(run, destination, name, false, &target) || !load_old_file(run, target, name, {}, &old)) return;
  std::vector<TwtMember> members;
  std::string problem = old.found == SignedFile::loaded ? "" : kNoArchive;
  if (!problem.empty() || !match_members(old.bytes, folders, &members, &problem))
    return leave_as_it_was(run, target.path.text, problem);
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

// Packs the image folders below `folder`, the folder velmire makes of the
// TWT archive `name` (its listing `entries`), into that archive in
// `destination`. Returns false, having done nothing, when no folder below
// holds images: then it is no archive's folder.
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
    leave_as_it_was(run, target.c_str(), "in folder " + std::string(member.path.text) + ", " + problem);
    return true;
  }
  if (folders.empty()) return false;
  ++run->totals.image_folders;
  try {
    rebuild_archive(run, &folders, name, destination);
  } catch (const std::bad_alloc&) {
    leave_as_it_was(run, target.c_str(), "not enough memory");
  }
  return true;
}

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

// Whether the folder `name` may be what velmire makes of a TWT archive:
// the name says so, or the destination holds a file of that name (velmire
// also takes a file whose first word is its size for an archive).
bool is_archive_folder(const std::string& name, const PathBuffer& destination) {
  if (name.size() >= 4) {
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (extension == ".TWT") return true;
  }
  PathBuffer target = destination;
  FileStatus status;
  return path_append(&target, name) && get_file_status(target.text, &status) == 0 && status.kind == EntryKind::file;
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
      std::fprintf(run->err, "ERROR: The path %s%s is too long\n", source.text, name.c_str());
      continue;
    }
    if (get_file_status(folder.text, &status) != 0 || status.kind != EntryKind::folder) continue;
    std::vector<FolderEntry> sub_entries;
    std::vector<TextureFile> files;
    std::string problem;
    const FolderImages images = look_into(folder, &sub_entries, &files, &problem);
    if (images == FolderImages::found || images == FolderImages::problem) {
      ++run->totals.image_folders;
      if (images == FolderImages::found) {
        try {
          pack_pix_file(run, folder, name, files, destination);
        } catch (const std::bad_alloc&) {
          leave_as_it_was(run, (std::string(destination.text) + name).c_str(), "not enough memory");
        }
      } else {
        leave_as_it_was(run, (std::string(destination.text) + name).c_str(),
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
      std::fprintf(run->err, "ERROR: The path %s%s is too long\n", destination.text, name.c_str());
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
  run->report.reserve(kReportBytes);
  run->pending.reserve(kBatchFiles);
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
