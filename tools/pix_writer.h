// Builds PIX files block by block, the way the game's tools lay them out
// (with the encoders of pix/pix_blocks.h that velmire-pack uses): the
// signature, then for each pixelmap a header block and a pixel block
// followed by an 8-byte end chunk that the pixel block's length word covers.
// Used by the tests, the sample generator, the benchmark and the fuzzing
// seeds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pix/pix_blocks.h"

struct PixFile {
  std::vector<uint8_t> bytes;
};

// A file holding only the signature.
PixFile start_pix_file();

void append_be32(std::vector<uint8_t>* bytes, uint32_t value);

// A header block as the game's tools write it, its origin the pixelmap's
// centre as in the game's files; of `kind` 0x3D (with its mip_offset) as
// BRender 1.2's tools write it.
void add_header_block(PixFile* file, uint8_t pix_type, uint16_t row_bytes, uint16_t width,
                      uint16_t height, std::string_view name, uint8_t kind = kHeaderBlockKind,
                      uint16_t mip_offset = 0);

// The 8-byte chunk that ends every pixelmap in real files.
inline constexpr std::span<const uint8_t> kEndChunk = kEndBlock;

// A pixel block whose count x size pixel bytes are `pixels`, followed by the
// `trailer` bytes, which its length word covers so that a reader passes
// over them.
void add_pixel_block(PixFile* file, uint32_t element_count, uint32_t element_size,
                     std::span<const uint8_t> pixels,
                     std::span<const uint8_t> trailer = kEndChunk);

// Raw bytes, for blocks no well-formed file holds.
void add_bytes(PixFile* file, std::span<const uint8_t> bytes);

// Bytes per pixel of a pixel type (1 for a type the table does not hold).
uint32_t pix_type_bytes(uint8_t pix_type);

// One "12" texture: a header (of `kind`) and a pixel block of `pixels`,
// rows of width x bytes-per-pixel bytes.
void add_texture(PixFile* file, uint8_t pix_type, uint16_t width, uint16_t height,
                 std::string_view name, std::span<const uint8_t> pixels, uint8_t kind = kHeaderBlockKind);

// One "1122" texture as the game stores it: the image's header (8-bit unless
// `image_type` says otherwise), the header of its 1 x `palette_entries` true
// colour palette (a grey ramp), the palette's pixel block (with the 8-byte
// chunk real files put after it), then the image's pixel block of one byte
// per pixel.
void add_splat_pack_texture(PixFile* file, uint16_t width, uint16_t height,
                            std::string_view name, std::span<const uint8_t> pixels,
                            uint16_t palette_entries = 256, uint8_t image_type = 3);

// A TWT archive of these members, each padded to 4 bytes, the last one
// too when `pad_last`.
struct TwtFile {
  std::string name;  // at most 52 bytes
  std::vector<uint8_t> bytes;
};
std::vector<uint8_t> twt_archive(const std::vector<TwtFile>& members, bool pad_last = false);
