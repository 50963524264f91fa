#include "pix/texture_sequence.h"

#include <cstring>

namespace {

bool order_is(const TextureSequence& sequence, const char* order) {
  return std::strcmp(sequence.texture_order, order) == 0;
}

// Adds a block kind to the order. The order holds at most "112" when a block
// is added (anything longer has already ended the scan), so four characters
// and the terminator always fit.
void append_to_order(TextureSequence* sequence, char kind) {
  size_t length = std::strlen(sequence->texture_order);
  sequence->texture_order[length] = kind;
  sequence->texture_order[length + 1] = '\0';
}

void empty_order(TextureSequence* sequence) {
  std::memset(sequence->texture_order, 0, sizeof sequence->texture_order);
}

}  // namespace

BlockScan next_texture(std::span<const uint8_t> file, uint64_t* position, TextureSequence* sequence,
                       HeaderKinds header_kinds) {
  // The texture the last call found: move past its last pixel block.
  if (order_is(*sequence, "12")) {
    *position += 16 + uint64_t{sequence->first_pixels.block_length};
    empty_order(sequence);
  } else if (order_is(*sequence, "1122")) {
    *position += 16 + uint64_t{sequence->second_pixels.block_length};
    empty_order(sequence);
  }
  // Positions are 64-bit so that no length word can wrap them around; each
  // step moves forward by at least 16 bytes.
  while (*position + 1 < file.size()) {
    if (*position + 3 >= file.size()) {
      empty_order(sequence);
      return BlockScan::truncated;
    }
    uint8_t kind = file[*position + 3];
    if (kind == kHeaderBlockKind || (kind == kNewerHeaderBlockKind && header_kinds == HeaderKinds::game_and_newer)) {
      PixHeader* slot = order_is(*sequence, "") ? &sequence->first_header : &sequence->second_header;
      if (decode_header_block(file, *position, slot) != kBlockDecoded) {
        empty_order(sequence);
        return BlockScan::truncated;
      }
      append_to_order(sequence, '1');
    } else if (kind == kPixelBlockKind) {
      PixPixels* slot = nullptr;
      if (order_is(*sequence, "112"))
        slot = &sequence->second_pixels;
      else if (order_is(*sequence, "1") || order_is(*sequence, "11"))
        slot = &sequence->first_pixels;
      if (slot != nullptr && decode_pixel_block(file, *position, slot) != kBlockDecoded) {
        empty_order(sequence);
        return BlockScan::truncated;
      }
      append_to_order(sequence, '2');
    } else {
      return BlockScan::unknown_block;
    }

    if (order_is(*sequence, "12") || order_is(*sequence, "1122")) return BlockScan::texture;
    if (order_is(*sequence, "1"))
      *position += header_block_extent(sequence->first_header);
    else if (order_is(*sequence, "11"))
      *position += header_block_extent(sequence->second_header);
    else if (order_is(*sequence, "112"))
      *position += 16 + uint64_t{sequence->first_pixels.block_length};
    else
      return BlockScan::unknown_order;
  }
  return BlockScan::end;
}

Texture texture_of(const TextureSequence& sequence) {
  const bool splat_pack = order_is(sequence, "1122");
  return {splat_pack, &sequence.first_header, splat_pack ? &sequence.second_pixels : &sequence.first_pixels,
          splat_pack ? &sequence.first_pixels : nullptr};
}
