// Groups the blocks of a loaded PIX file into textures.
#pragma once

#include <cstdint>
#include <span>

#include "pix/pix_blocks.h"
#include "pix/texture.h"

// The kinds of block taken into the texture under way: '1' for a header
// block, '2' for a pixel block. "12" and "1122" are complete textures.
struct TextureSequence {
  char texture_order[5] = {};
  PixHeader first_header;
  PixHeader second_header;
  PixPixels first_pixels;
  PixPixels second_pixels;
};

// What next_texture found.
enum class BlockScan : uint8_t {
  texture,        // a complete texture, in the sequence's records
  end,            // the end of the file
  truncated,      // a block cut off by the end of the file, at *position
  unknown_block,  // a block of another kind, at *position
  unknown_order,  // blocks that make neither "12" nor "1122"
};

// Decodes the blocks of a loaded PIX file from *position on (16, after the
// signature, with an empty order, for a file's first call) until the next
// texture is complete; its records are in `sequence`, its order "12" or
// "1122". The next call first moves past that texture. Header blocks of the
// kinds `header_kinds` names count; any other kind is an unknown block.
// Nothing is read outside the file, and every step moves forward.
BlockScan next_texture(std::span<const uint8_t> file, uint64_t* position, TextureSequence* sequence,
                       HeaderKinds header_kinds);

// The texture whose blocks the sequence holds after next_texture found one:
// a Splat Pack texture ("1122") is pictured by its second pixel block and
// carries its palette in the first.
Texture texture_of(const TextureSequence& sequence);
