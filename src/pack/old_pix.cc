#include "pack/old_pix.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fileio/whole_file.h"
#include "pix/texture_sequence.h"

namespace {

// Where a block that a record refers into starts in the file.
size_t header_block_start(std::span<const uint8_t> file, const PixHeader& header) {
  return static_cast<size_t>(reinterpret_cast<const uint8_t*>(header.name.data()) - file.data()) - kHeaderFixedBytes;
}

size_t pixel_block_start(std::span<const uint8_t> file, const PixPixels& pixels) {
  return static_cast<size_t>(pixels.to_file_end.data() - file.data()) - kPixelFixedBytes;
}

}  // namespace

int read_old_pix(const FolderHandle* folder, const char* name, const char* path, ByteBuffer* buffer,
                 std::vector<OldTexture>* textures, FILE* err) {
  textures->clear();
  std::span<const uint8_t> file;
  if (folder == nullptr) return 0;
  int error_number = load_file_at(*folder, name, buffer, &file);
  if (error_number == ENOENT) return 0;
  if (error_number != 0 || file.size() < kPixSignature.size() ||
      std::memcmp(file.data(), kPixSignature.data(), kPixSignature.size()) != 0) {
    std::fprintf(err, "ERROR: %s is not a PIX file that can be read, so it is not replaced\n", path);
    return 1;
  }
  TextureSequence sequence;
  uint64_t position = kPixSignature.size();
  while (next_texture(file, &position, &sequence, HeaderKinds::game) == BlockScan::texture) {
    OldTexture texture;
    texture.splat_pack = std::strcmp(sequence.texture_order, "1122") == 0;
    texture.header = sequence.first_header;
    texture.image = texture.splat_pack ? sequence.second_pixels : sequence.first_pixels;
    if (texture.splat_pack) {
      // Header 2 and pixel block 1 lie one after the other: the palette.
      texture.palette = sequence.first_pixels;
      size_t start = header_block_start(file, sequence.second_header);
      size_t end = std::min<uint64_t>(file.size(), pixel_block_start(file, sequence.first_pixels) + 16 +
                                                       uint64_t{sequence.first_pixels.block_length});
      texture.palette_blocks = file.subspan(start, end - start);
    }
    textures->push_back(texture);
  }
  return 0;
}
