#include "pack/pack_pix_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>
#include <utility>

#include "common/name_text.h"
#include "pack/pack_commit.h"
#include "pack/twins.h"
#include "pix/pixel_types.h"

namespace {

const char kSeparator[] = {kPathSeparator, '\0'};

// Why an image file could not be read.
std::string read_failure(FileResult read, int error_number) {
  if (read == FileResult::not_plain) return "not a plain file (a folder, a pipe, a device or a socket)";
  if (read == FileResult::too_large) return "larger than an image of the pixels -maxpixels allows can be";
  return std::strerror(error_number);
}

// Reads the image `file` of the folder `images` into the run's buffer.
// False with `problem` set.
bool read_image_file(PackRun* run, const FolderHandle& images, const TextureFile& file,
                     std::span<const uint8_t>* bytes, std::string* problem) {
  const uint64_t limit = image_file_limit(run->textures.max_pixels);
  int error_number = 0;
  const FileResult read =
      read_plain_file(images, file.file_name.c_str(), file.plain_file, limit, &run->image_file, bytes, &error_number);
  if (read == FileResult::ok) return true;
  *problem = read_failure(read, error_number);
  return false;
}

// The last folder of a path that ends in a separator.
std::string folder_name(const PathBuffer& folder) {
  const std::string_view path = path_view(folder);
  const size_t start = path.find_last_of(kPathSeparator, path.size() - 2);
  return std::string(path.substr(start + 1, path.size() - start - 2));
}

// The report line of a texture packed from `source`.
void report_texture(PixJob* job, const PackedTexture& packed, std::string_view texture_name, const std::string& source) {
  ++job->counts.textures.count[report_type_index(packed.code)];
  job->counts.inexact_pixels += packed.inexact_pixels;
  std::string& lines = job->lines;
  lines.append(packed.code).append(": ").append(job->name).append(" (");
  append_name_text(texture_name, &lines);
  lines.append(") <-- ").append(source);
  if (packed.paletted) {
    char count[24];
    const std::to_chars_result end = std::to_chars(count, count + sizeof count, packed.inexact_pixels);
    lines.append(", ").append(count, end.ptr).append(" pixels without an exact colour");
  }
  if (packed.alpha_kept) lines.append(", alpha kept from the PIX file");
  lines += '\n';
}

// Where the textures of a job come from besides its own images.
struct Sources {
  const FolderHandle* images = nullptr;
  const PixJob* sixteen = nullptr;  // the 16-bit file whose images twins take
  const FolderHandle* sixteen_images = nullptr;
  std::vector<OldTexture> sixteen_old;
  const std::vector<size_t>* twins = nullptr;
};

// Adds the texture `index` of the job: from the image of its 16-bit twin,
// from its own image, or without images the old texture as it was. Returns
// true, or false after leaving the target as it was.
bool pack_texture(PackRun* run, PixJob* job, size_t index, const Sources& sources) {
  const size_t from = sources.twins != nullptr && index < sources.twins->size() ? (*sources.twins)[index] : SIZE_MAX;
  std::string texture_name, problem, where = job->name;
  try {
    std::span<const uint8_t> bytes;
    PackedTexture packed;
    if (from != SIZE_MAX) {
      const TextureFile& file = sources.sixteen->files[from];
      where = std::string(sources.sixteen->folder.text) + file.file_name;
      if (read_image_file(run, *sources.sixteen_images, file, &bytes, &problem) &&
          add_twin_image(&run->build, index, sources.sixteen_old[from], bytes, &run->image_buffers, run->textures,
                         &packed, &problem)) {
        report_texture(job, packed, run->build.old[index].header.name,
                       "twin: " + folder_name(sources.sixteen->folder) + "/" + file.file_name);
        return true;
      }
    } else if (!job->files.empty()) {
      const TextureFile& file = job->files[index];
      where = std::string(job->folder.text) + file.file_name;
      if (read_image_file(run, *sources.images, file, &bytes, &problem) &&
          add_texture_image(&run->build, index, file, bytes, &run->image_buffers, run->textures, &packed,
                            &texture_name, &problem)) {
        report_texture(job, packed, texture_name, file.file_name);
        return true;
      }
    } else if (append_old_texture(run->build.old[index], &run->output, &problem)) {
      return true;
    }
  } catch (const std::bad_alloc&) {
    problem = "not enough memory";
  }
  count_left_as_it_was(run, job->target, where + ": " + problem);
  return false;
}

// The textures of the old file after the last image: the file is left as
// it was, with a message naming them, or with -drop they are left out and
// the report names each. Returns false after leaving the target as it was.
bool drop_textures_after_images(PackRun* run, PixJob* job) {
  const std::vector<OldTexture>& old = run->build.old;
  const size_t images = job->files.size();
  if (images == 0 || old.size() <= images) return true;
  std::string names;
  for (size_t i = images; i < old.size(); ++i) {
    const std::string name = text_of_name(old[i].header.name);
    if (!run->drop) {
      names += (i > images ? ", " : "") + std::to_string(i + 1) + " (" + name + ")";
      continue;
    }
    const PixelType* type = find_pixel_type(old[i].header.PixType);
    const char* code = old[i].splat_pack ? "SP" : type != nullptr ? type->code : "NO";
    job->lines += std::string(code) + ": " + job->name + " (" + name + ") dropped, no image numbered " +
                  std::to_string(i + 1) + "\n";
  }
  if (run->drop) return true;
  count_left_as_it_was(run, job->target,
                       job->name + " holds textures after its last image, which would be dropped: " + names +
                           ". Put their images back, or pack with -drop to leave them out");
  return false;
}

// Opens a job's folder of images, if it has any. False after leaving the
// target as it was.
bool open_images(PackRun* run, const PixJob& job, const char* target, FolderHandle* images) {
  if (job.files.empty()) return true;
  const int error_number = open_folder(job.folder.text, images);
  if (error_number == 0) return true;
  count_left_as_it_was(run, target, std::string(job.folder.text) + ": " + std::strerror(error_number));
  return false;
}

// What the folder `name` beside `folder` (a path ending in a separator)
// holds; its images, in `files`, only when they are numbered as they should be.
FolderImages images_beside(const PathBuffer& folder, const std::string& own_name, const std::string& name,
                           PathBuffer* beside, std::vector<TextureFile>* files) {
  *beside = folder;
  beside->length -= own_name.size() + 1;
  beside->text[beside->length] = '\0';
  std::vector<FolderEntry> entries;
  std::string problem;
  if (!path_append(beside, name, kSeparator)) return FolderImages::none;
  const FolderImages images = look_into(*beside, &entries, files, &problem);
  if (images != FolderImages::found) files->clear();
  return images;
}

// The job of the loose PIX file `name`.
PixJob file_job(const std::string& name, const PathBuffer& folder, const std::vector<TextureFile>& files,
                std::span<const uint8_t> old, const char* target) {
  PixJob job;
  job.name = job.file_name = name;
  job.folder = folder;
  job.files = files;
  job.old = old;
  job.target = target;
  return job;
}

void pack_one_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination) {
  Target target;
  OldFile old;
  if (!enter_target(run, destination, name, nullptr, &target) || !load_old_file(run, target, name, OldKind::pix_file, &old))
    return;
  PixJob job = file_job(name, folder, files, old.bytes, target.path.text);
  if (build_pix_job(run, &job)) queue_job(run, target, name, output_bytes(run->output), old, job);
}

// X.P16 packed with the X.P08 beside it: the 8-bit file built from its
// images (or kept as it is when it has none), then the 16-bit one, then the
// twins kept in step, and both queued in the order of their names.
void pack_pair(PackRun* run, const PathBuffer& folder, const std::string& name, const std::vector<TextureFile>& files,
               const PathBuffer& destination) {
  PixJob eight;
  eight.file_name = eight.name = twin_file_name(name);
  const FolderImages beside = images_beside(folder, name, eight.name, &eight.folder, &eight.files);
  if (beside == FolderImages::problem) {  // the walk has said X.P08 is left as it was: so it is
    pack_one_file(run, folder, name, files, destination);
    return;
  }
  const bool eight_images = beside == FolderImages::found;
  if (eight_images) ++run->totals.image_folders;  // the walk leaves that folder to this pair
  Target target, eight_target;
  OldFile old, eight_old;
  if (!enter_target(run, destination, name, nullptr, &target) || !load_old_file(run, target, name, OldKind::pix_file, &old)) {
    if (eight_images) pack_one_file(run, eight.folder, eight.name, eight.files, destination);
    return;
  }
  // X.P08 is loaded into a buffer of its own, beside X.P16. Without images
  // it is only read: nothing is said when it cannot be.
  std::swap(run->old_file, run->twin_file);
  bool paired = enter_target(run, destination, eight.name, nullptr, &eight_target);
  if (paired && eight_images) {
    paired = load_old_file(run, eight_target, eight.name, OldKind::pix_file, &eight_old);
  } else if (paired && !eight_target.new_folder) {
    int error_number = 0;
    eight_old.found = load_signed_file_at(*eight_target.folder, eight.name.c_str(), kPixSignature, &run->old_file,
                                          &eight_old.bytes, &eight_old.status, &error_number);
    paired = eight_old.found == FileResult::ok;
  }
  std::swap(run->old_file, run->twin_file);
  paired = paired && (eight_images || eight_old.found == FileResult::ok);
  eight.old = eight_old.bytes;
  eight.target = eight_target.path.text;
  bool eight_built = paired;
  if (paired && eight_images) {
    eight_built = build_pix_job(run, &eight);
    if (eight_built) keep_built(run, &eight);
  }
  PixJob sixteen = file_job(name, folder, files, old.bytes, target.path.text);
  const bool built = build_pix_job(run, &sixteen);
  if (built) keep_built(run, &sixteen);
  if (built && eight_built) eight_built = keep_twins_in_step(run, sixteen, &eight, eight.target);
  if (eight_built && (eight_images || eight.changed))
    queue_job(run, eight_target, eight.name, eight.built, eight_old, eight);
  if (built) queue_job(run, target, name, sixteen.built, old, sixteen);
}

}  // namespace

bool build_pix_job(PackRun* run, PixJob* job, const PixJob* sixteen, const std::vector<size_t>* twins) {
  job->lines.clear();
  job->counts = PackTotals{};
  if (!start_pix_build(job->old, &run->output, &run->build)) {
    count_left_as_it_was(run, job->target, "not enough memory");
    return false;
  }
  // Held open, so that each image is found in it by its name alone.
  FolderHandle images, sixteen_images;
  Sources sources{&images, sixteen, &sixteen_images, {}, twins};
  bool built = open_images(run, *job, job->target, &images) &&
               (sixteen == nullptr || open_images(run, *sixteen, job->target, &sixteen_images));
  if (sixteen != nullptr) read_old_textures(sixteen->old, &sources.sixteen_old);
  const size_t count = job->files.empty() ? run->build.old.size() : job->files.size();
  for (size_t i = 0; i < count && built; ++i) built = pack_texture(run, job, i, sources);
  close_folder(&images);
  close_folder(&sixteen_images);
  if (!built || !drop_textures_after_images(run, job)) return false;
  job->changed = !same_textures(job->old, output_bytes(run->output), &job->differing);
  return true;
}

void keep_built(PackRun* run, PixJob* job) {
  const std::span<const uint8_t> bytes = output_bytes(run->output);
  job->built.assign(bytes.begin(), bytes.end());
}

bool keep_twins_in_step(PackRun* run, const PixJob& sixteen, PixJob* eight, const char* where) {
  if (!sixteen.changed || eight->old.empty()) return true;
  const TwinPlan plan =
      plan_twins(sixteen.old, sixteen.built, sixteen.differing, eight->old, eight->differing, run->twins);
  for (const std::string& name : plan.own_image)
    std::fprintf(run->err, "%s (%s): its own image was edited too, and is packed rather than its twin's in %s\n",
                 eight->name.c_str(), text_of_name(name).c_str(), sixteen.file_name.c_str());
  if (!plan.drifting.empty()) {
    std::string names;
    for (const std::string& name : plan.drifting) {
      if (!names.empty()) names += ", ";
      append_name_text(name, &names);
    }
    std::fprintf(run->err,
                 "Warning: %s: the 8-bit twins in %s of textures edited in %s now differ from them: %s. To rewrite "
                 "them from the same images, pack with -twins into a copy of the game's own files\n",
                 where, eight->file_name.c_str(), sixteen.file_name.c_str(), names.c_str());
  }
  if (std::all_of(plan.from.begin(), plan.from.end(), [](size_t from) { return from == SIZE_MAX; })) return true;
  if (!build_pix_job(run, eight, &sixteen, &plan.from)) return false;
  keep_built(run, eight);
  return true;
}

void queue_job(PackRun* run, const Target& target, const std::string& name, std::span<const uint8_t> built,
               const OldFile& old, const PixJob& job) {
  PendingFile pending;
  pending.counts = job.counts;
  queue_file(run, target, name, built, job.changed, old, std::move(pending), job.lines);
}

void pack_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination) {
  if (is_sixteen_bit_name(name))
    pack_pair(run, folder, name, files, destination);
  else
    pack_one_file(run, folder, name, files, destination);
}

bool packed_with_sixteen_bit_file(const PathBuffer& source, const std::string& name) {
  const std::string sixteen = twin_file_name(name);
  if (sixteen.empty() || is_sixteen_bit_name(name)) return false;
  PathBuffer folder = source;
  std::vector<FolderEntry> entries;
  std::vector<TextureFile> files;
  std::string problem;
  return path_append(&folder, sixteen, kSeparator) &&
         look_into(folder, &entries, &files, &problem) == FolderImages::found;
}
