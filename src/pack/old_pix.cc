#include "pack/old_pix.h"

#include <algorithm>

#include "pix/texture_sequence.h"

namespace {

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
