#include "pack/pix_build.h"

#include <cstdio>
#include <cstring>

#include "common/path_buffer.h"
#include "naming/output_path.h"

bool start_pix_build(std::span<const uint8_t> old_file, PixOutput* output, PixBuild* build) {
  build->output = output;
  output->size = 0;
  uint8_t* start = extend_output(output, kPixSignature.size());
  if (start == nullptr) return false;
  std::memcpy(start, kPixSignature.data(), kPixSignature.size());
  build->old.clear();
  build->old_stems.clear();
  if (old_file.size() < kPixSignature.size()) return true;
  read_old_textures(old_file, &build->old);
  int nameless = 0;
  for (const OldTexture& texture : build->old) {
    char stem[kPathBufferSize] = "";
    if (texture.header.name.empty()) {
      nameless_stem(++nameless, stem, sizeof stem);
    } else if (!copy_texture_name(texture.header.name, stem)) {
      stem[0] = '\0';
    }
    build->old_stems.push_back(stem);
  }
  return true;
}

bool add_texture_image(PixBuild* build, size_t index, const TextureFile& file, std::span<const uint8_t> image_file,
                       ImageBuffers* buffers, const TextureContext& context, PackedTexture* packed, std::string* name,
                       std::string* problem) {
  const bool has_old = index < build->old.size();
  if (!texture_name_of(file, has_old ? &build->old_stems[index] : nullptr,
                       has_old ? build->old[index].header.name : std::string_view(), name)) {
    *problem = "its name holds a character that Windows-1252, the code page of texture names, has no byte for";
    return false;
  }
  // The old texture counts only when the image stands for it.
  const OldTexture* old = has_old && *name == build->old[index].header.name ? &build->old[index] : nullptr;
  DecodedImage image;
  return read_image(image_file, context.max_pixels, buffers, &image, problem) &&
         append_texture(image, *name, old, context, build->output, packed, problem);
}
