#include "pack/pix_build.h"

#include <cstdio>
#include <cstring>

#include "common/path_buffer.h"
#include "naming/output_path.h"
#include "pack/texture_fit.h"

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
  DecodedImage image, taken;
  if (!read_image(image_file, context.max_pixels, buffers, &image, problem)) return false;
  const AddedType added = old == nullptr ? added_texture_type(build->old, image) : AddedType{};
  const PixelType& type = *find_pixel_type(texture_pix_type(old, added, image.kind));
  // The old alpha only from an old texture of that type.
  const OldTexture* alpha_of = old != nullptr && !old->splat_pack && old->header.PixType == type.type ? old : nullptr;
  return take_alpha(image, type, alpha_of, *name, &build->alpha_rows, &taken, &packed->alpha_kept, problem) &&
         append_texture(taken, *name, old, added, context, build->output, packed, problem);
}

bool add_twin_image(PixBuild* build, size_t index, const OldTexture& sixteen, std::span<const uint8_t> image_file,
                    ImageBuffers* buffers, const TextureContext& context, PackedTexture* packed, std::string* problem) {
  const OldTexture& twin = build->old[index];
  DecodedImage image, taken;
  bool alpha_kept = false;
  // plan_twins takes only 16-bit textures of the table's types.
  const PixelType* type = find_pixel_type(sixteen.header.PixType);
  if (type == nullptr) type = find_pixel_type(kPixType8Bit);
  return read_image(image_file, context.max_pixels, buffers, &image, problem) &&
         take_alpha(image, *type, &sixteen, sixteen.header.name, &build->alpha_rows, &taken, &alpha_kept, problem) &&
         append_texture(taken, twin.header.name, &twin, {}, context, build->output, packed, problem);
}
