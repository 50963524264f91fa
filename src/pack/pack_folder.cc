#include "pack/pack_folder.h"

#include <string>
#include <string_view>
#include <vector>

#include "fileio/whole_file.h"
#include "naming/output_path.h"
#include "pack/colour_match.h"
#include "pack/image_file.h"
#include "pack/old_pix.h"
#include "pack/texture_build.h"
#include "pack/texture_files.h"

namespace {

const char kSeparator[] = {kPathSeparator, '\0'};

// The file name velmire gives an old texture (without the number and the
// added extension), which tells whether an image stands for it: its name as
// file names hold it, or no_name, no_name_02, ... counted through the file.
std::vector<std::string> file_stems(const std::vector<OldTexture>& textures) {
  std::vector<std::string> stems;
  int nameless = 0;
  for (const OldTexture& texture : textures) {
    char stem[kPathBufferSize] = "";
    if (texture.header.name.empty()) {
      if (++nameless == 1)
        std::snprintf(stem, sizeof stem, "no_name");
      else
        std::snprintf(stem, sizeof stem, "no_name_%02d", nameless);
    } else if (!copy_texture_name(texture.header.name, stem)) {
      stem[0] = '\0';
    }
    stems.push_back(stem);
  }
  return stems;
}

// The counter of the texture type a report code names.
int32_t* type_count(PackTotals* totals, std::string_view code) {
  if (code == "SP") return &totals->splat_pack;
  if (code == "3B") return &totals->true_colour_3;
  if (code == "4B") return &totals->true_colour_4;
  return &totals->normal;
}

void print_not_written(const PackContext& context, const char* target) {
  std::fprintf(context.err, "Could not write the PIX file %s\n", target);
  ++context.totals->files_not_written;
}

// Reads one image. Returns true, or false after its messages.
bool read_texture_image(const PathBuffer& folder, const std::string& file_name, DecodedImage* image,
                        const PackContext& context) {
  PathBuffer path = folder;
  if (!path_append(&path, file_name)) {
    std::fprintf(context.err, "ERROR: The path %s%s is too long\n", folder.text, file_name.c_str());
    return false;
  }
  LoadedFile file;
  if (read_whole_file(path.text, &file, context.err) != 0) {
    std::fprintf(context.err, "\n");
    return false;
  }
  std::string problem;
  bool read = read_image({file.bytes, file.size}, image, &problem);
  release_loaded_file(&file);
  if (!read) std::fprintf(context.err, "ERROR in file %s: %s\n", path.text, problem.c_str());
  return read;
}

// Packs the numbered images of `folder` into the PIX file `name` in
// `destination`, replacing the file there in one step, or leaves it as it
// was after a message.
void pack_pix_file(const PathBuffer& folder, const std::string& name, const std::vector<TextureFile>& files,
                   const PathBuffer& destination, const ColourMatch& colours, const PackContext& context) {
  PathBuffer target = destination;
  if (!path_append(&target, name)) {
    std::fprintf(context.err, "ERROR: The path %s%s is too long\n", destination.text, name.c_str());
    return print_not_written(context, destination.text);
  }
  // The file being replaced, when the destination holds it.
  OutputTree* tree = context.output_tree;
  ByteBuffer old_bytes;
  std::vector<OldTexture> old;
  const FolderHandle* existing = enter_output_folder(tree, path_view(destination), false) ? held_output_folder(tree)
                                                                                          : nullptr;
  if (read_old_pix(existing, name.c_str(), target.text, &old_bytes, &old, context.err) != 0)
    return print_not_written(context, target.text);
  const std::vector<std::string> old_stems = file_stems(old);

  std::vector<uint8_t> pix(kPixSignature.begin(), kPixSignature.end());
  std::vector<PackedTexture> packed(files.size());
  std::vector<std::string> names(files.size());
  bool complete = true;
  for (size_t i = 0; i < files.size() && complete; ++i) {
    const TextureFile& file = files[i];
    const OldTexture* same = i < old.size() && old_stems[i] == file.stem ? &old[i] : nullptr;
    names[i] = same != nullptr ? std::string(same->header.name) : texture_name_of_stem(file.stem);
    DecodedImage image;
    std::string problem;
    complete = read_texture_image(folder, file.file_name, &image, context);
    if (complete && !append_texture(image, names[i], same, colours, &pix, &packed[i], &problem)) {
      std::fprintf(context.err, "ERROR in file %s%s: %s\n", folder.text, file.file_name.c_str(), problem.c_str());
      complete = false;
    }
  }
  release_bytes(&old_bytes);
  if (!complete) return print_not_written(context, target.text);

  const FolderHandle* out_folder =
      enter_output_folder(tree, path_view(destination), true) ? held_output_folder(tree) : nullptr;
  if (out_folder == nullptr) {
    std::fprintf(context.err, "Cannot replace file %s: its folder cannot be made or opened\n", target.text);
    return print_not_written(context, target.text);
  }
  if (replace_whole_file(*out_folder, name.c_str(), target.text, pix, context.err) != 0)
    return print_not_written(context, target.text);

  PackTotals& totals = *context.totals;
  ++totals.files_written;
  for (size_t i = 0; i < files.size(); ++i) {
    ++*type_count(&totals, packed[i].code);
    totals.inexact_pixels += packed[i].inexact_pixels;
    std::fprintf(context.out, "%s: %s (%s) <-- %s", packed[i].code, name.c_str(), names[i].c_str(),
                 files[i].file_name.c_str());
    if (packed[i].paletted)
      std::fprintf(context.out, ", %llu pixels without an exact colour",
                   static_cast<unsigned long long>(packed[i].inexact_pixels));
    std::fprintf(context.out, "\n");
  }
}

}  // namespace

void pack_folder(const PathBuffer& source, const PathBuffer& destination, const PackContext& context,
                 const FolderChain* ancestors) {
  FILE* err = context.err;
  std::vector<FolderEntry> entries;
  if (list_folder_in_order(source.text, &entries) != 0) {
    std::fprintf(err, "Source directory %s not found.\n", source.text);
    return;
  }
  WalkedFolders walked;
  FolderChain here;
  begin_walk_level(source.text, ancestors, &walked, &here);
  const ColourMatch colours = make_colour_match(*context.palette);

  for (const FolderEntry& entry : entries) {
    const std::string& name = entry.name;
    if (name == "." || name == ".." || entry.plain_file) continue;
    PathBuffer folder = source;
    FileStatus status;
    if (!path_append(&folder, name, kSeparator)) {
      std::fprintf(err, "ERROR: The path %s%s is too long\n", source.text, name.c_str());
      continue;
    }
    if (get_file_status(folder.text, &status) != 0 || status.kind != EntryKind::folder) continue;
    std::vector<TextureFile> files;
    std::string problem;
    switch (list_texture_files(folder.text, &files, &problem)) {
      case FolderImages::found:
        pack_pix_file(folder, name, files, destination, colours, context);
        break;
      case FolderImages::problem:
        std::fprintf(err, "ERROR in folder %s: %s\n", folder.text, problem.c_str());
        std::fprintf(err, "Could not write the PIX file %s%s\n", destination.text, name.c_str());
        ++context.totals->files_not_written;
        break;
      case FolderImages::none: {
        PathBuffer subfolder = destination;
        if (!context.recursive || !may_walk_subfolder(&here, status.id, folder.text, err)) break;
        if (!path_append(&subfolder, name, kSeparator)) {
          std::fprintf(err, "ERROR: The path %s%s is too long\n", destination.text, name.c_str());
          break;
        }
        pack_folder(folder, subfolder, context, &here);
        break;
      }
    }
  }
}
