#include "pack/pack_pix_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "pack/pack_commit.h"

namespace {

// Why an image file could not be read.
std::string read_failure(FileResult read, int error_number) {
  if (read == FileResult::not_plain) return "not a plain file (a folder, a pipe, a device or a socket)";
  if (read == FileResult::too_large) return "larger than an image of the pixels -maxpixels allows can be";
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
    int error_number = 0;
    const FileResult read =
        read_plain_file(images, file.file_name.c_str(), file.plain_file, limit, &run->image_file, &bytes, &error_number);
    PackedTexture packed;
    if (read != FileResult::ok) {
      problem = read_failure(read, error_number);
    } else if (add_texture_image(&run->build, index, file, bytes, &run->image_buffers, run->textures, &packed,
                                 &texture_name, &problem)) {
      ++pending->counts.textures.count[report_type_index(packed.code)];
      pending->counts.inexact_pixels += packed.inexact_pixels;
      *lines += std::string(packed.code) + ": " + name + " (" + texture_name + ") <-- " + file.file_name;
      if (packed.paletted) *lines += ", " + std::to_string(packed.inexact_pixels) + " pixels without an exact colour";
      *lines += '\n';
      return true;
    }
  } catch (const std::bad_alloc&) {
    problem = "not enough memory";
  }
  count_left_as_it_was(run, target, std::string(folder.text) + file.file_name + ": " + problem);
  return false;
}

}  // namespace

bool build_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                    const std::vector<TextureFile>& files, std::span<const uint8_t> old_file, const char* target,
                    PendingFile* pending, std::string* lines) {
  if (!start_pix_build(old_file, &run->output, &run->build)) {
    count_left_as_it_was(run, target, "not enough memory");
    return false;
  }
  // Held open, so that each image is found in it by its name alone.
  FolderHandle images;
  if (int error_number = open_folder(folder.text, &images); error_number != 0) {
    count_left_as_it_was(run, target, std::string(folder.text) + ": " + std::strerror(error_number));
    return false;
  }
  bool built = true;
  for (size_t i = 0; i < files.size() && built; ++i)
    built = pack_image(run, images, folder, files[i], i, name, target, pending, lines);
  close_folder(&images);
  return built;
}

void pack_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination) {
  Target target;
  OldFile old;
  if (!enter_target(run, destination, name, nullptr, &target) || !load_old_file(run, target, name, OldKind::pix_file, &old))
    return;
  PendingFile pending;
  std::string lines;
  if (build_pix_file(run, folder, name, files, old.bytes, target.path.text, &pending, &lines))
    queue_file(run, target, name, output_bytes(run->output), old, std::move(pending), lines);
}

