#include "pack/old_pix.h"

#include <algorithm>
#include <cstring>

#include "pix/texture_sequence.h"

namespace {

bool same_header(const PixHeader& a, const PixHeader& b) {
  return a.kind == b.kind && a.PixType == b.PixType && a.row_bytes == b.row_bytes && a.width == b.width &&
         a.height == b.height && a.origin_x == b.origin_x && a.origin_y == b.origin_y &&
         a.mip_offset == b.mip_offset && a.name == b.name;
}

bool same_pixels(const PixPixels& a, const PixPixels& b) {
  return a.element_count == b.element_count && a.element_size == b.element_size &&
         std::equal(a.pixels.begin(), a.pixels.end(), b.pixels.begin(), b.pixels.end());
}

// Whether two textures that next_texture found are the same: "12" and
// "1122" alike, block by block.
bool same_texture(const TextureSequence& a, const TextureSequence& b) {
  const bool splat_pack = std::strcmp(a.texture_order, "1122") == 0;
  return std::strcmp(a.texture_order, b.texture_order) == 0 && same_header(a.first_header, b.first_header) &&
         same_pixels(a.first_pixels, b.first_pixels) &&
         (!splat_pack ||
          (same_header(a.second_header, b.second_header) && same_pixels(a.second_pixels, b.second_pixels)));
}

// Where a pixel block that a record refers into starts in the file.
size_t pixel_block_start(std::span<const uint8_t> file, const PixPixels& pixels) {
  return static_cast<size_t>(pixels.to_file_end.data() - file.data()) - kPixelFixedBytes;
}

}  // namespace

void read_old_textures(std::span<const uint8_t> file, std::vector<OldTexture>* textures) {
  textures->clear();
  TextureSequence sequence;
  uint64_t position = kPixSignature.size();
  while (next_texture(file, &position, &sequence, HeaderKinds::game_and_newer) == BlockScan::texture) {
    const Texture found = texture_of(sequence);
    OldTexture texture;
    texture.splat_pack = found.splat_pack;
    texture.header = *found.header;
    texture.image = *found.image;
    if (texture.splat_pack) {
      // Header 2 and pixel block 1: the palette.
      texture.palette_header = sequence.second_header;
      texture.palette = sequence.first_pixels;
      size_t start = pixel_block_start(file, sequence.first_pixels);
      size_t end = std::min<uint64_t>(file.size(), pixel_block_start(file, sequence.first_pixels) + 16 +
                                                       uint64_t{sequence.first_pixels.block_length});
      texture.palette_blocks = file.subspan(start, end - start);
    }
    textures->push_back(texture);
  }
}

bool same_textures(std::span<const uint8_t> old_file, std::span<const uint8_t> built, std::vector<bool>* differing) {
  if (differing != nullptr) differing->clear();
  TextureSequence old_texture, new_texture;
  uint64_t old_position = kPixSignature.size(), new_position = kPixSignature.size();
  bool same = has_pix_signature(old_file);
  bool old_left = same;  // the old file still has textures to compare
  while (next_texture(built, &new_position, &new_texture, HeaderKinds::game_and_newer) == BlockScan::texture) {
    old_left = old_left &&
               next_texture(old_file, &old_position, &old_texture, HeaderKinds::game_and_newer) == BlockScan::texture;
    const bool differs = !old_left || !same_texture(old_texture, new_texture);
    same = same && !differs;
    if (differing != nullptr) differing->push_back(differs);
    else if (!same) return false;
  }
  // The old file must end its textures there too.
  return same && (!old_left || next_texture(old_file, &old_position, &old_texture, HeaderKinds::game_and_newer) !=
                                   BlockScan::texture);
}
