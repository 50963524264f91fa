// The PIX block format: the file signature, the header and pixel blocks and
// their decoders. PIX files are big-endian; the records hold host values.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The first 16 bytes of every PIX file: the words 0x12, 8, 2, 2.
inline constexpr std::array<uint8_t, 16> kPixSignature = {
    0x00, 0x00, 0x00, 0x12, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02};

// Whether the bytes begin with the signature.
bool has_pix_signature(std::span<const uint8_t> bytes);

// The block kind is the fourth byte of a block's type word; the first three
// are never looked at. The game's header blocks are of kind 0x03; BRender 1.2
// and later write 0x3D, which adds a mip_offset field before the name.
inline constexpr uint8_t kHeaderBlockKind = 0x03;
inline constexpr uint8_t kNewerHeaderBlockKind = 0x3D;
inline constexpr uint8_t kPixelBlockKind = 0x21;

// Whether a block of the newer header kind starts at `position` in `file`.
inline bool is_newer_header_block(std::span<const uint8_t> file, uint64_t position) {
  return position + 4 <= file.size() && file[position + 3] == kNewerHeaderBlockKind;
}

// Bytes before the name of a 0x03 header block, and before the pixel bytes
// of a pixel block.
inline constexpr uint32_t kHeaderFixedBytes = 19;
inline constexpr uint32_t kPixelFixedBytes = 16;

// Bytes before the name of a header block of this kind (19 for 0x03, 21 for
// 0x3D), or 0 for a kind that is no header block.
uint32_t header_fixed_bytes(uint8_t kind);

// Which header kinds a reader takes: the game's alone, or BRender 1.2's too.
enum class HeaderKinds : uint8_t { game, game_and_newer };

// Pixel types a header may carry.
inline constexpr uint8_t kPixType8Bit = 3;
inline constexpr uint8_t kPixTypeRgb = 6;   // 3 bytes per pixel, stored R G B
inline constexpr uint8_t kPixTypeXrgb = 7;  // 4 bytes per pixel, stored X R G B

uint16_t swap16(uint16_t value);
uint32_t swap32(uint32_t value);

// A decoded header block: the description of one pixelmap.
struct PixHeader {
  uint32_t block_type = 0;
  uint32_t block_length = 0;  // never used: the name fixes the block's extent
  uint8_t kind = kHeaderBlockKind;  // the fourth byte of block_type: 0x03 or 0x3D
  uint8_t PixType = 0;
  uint16_t row_bytes = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  // The pixelmap's origin, which the extractor never uses and the packer
  // keeps; the game's files mostly hold its centre (width / 2, height / 2).
  uint16_t origin_x = 0;
  uint16_t origin_y = 0;
  // 0x3D headers only: not 0 when the pixel block holds a chain of mip
  // levels after the picture.
  uint16_t mip_offset = 0;
  // Refers into the loaded file, where a zero byte always follows it.
  std::string_view name;
};

// A decoded pixel block.
struct PixPixels {
  uint32_t block_type = 0;
  uint32_t block_length = 0;  // the next block starts 16 + this after the block
  uint32_t element_count = 0;
  uint32_t element_size = 0;
  // The element_count x element_size pixel bytes, inside the loaded file.
  std::span<const uint8_t> pixels;
  // The bytes from the first pixel byte to the end of the loaded file: all a
  // texture's geometry may ever address.
  std::span<const uint8_t> to_file_end;
};

enum : int { kBlockDecoded = 0, kBlockTruncated = 1, kBlockNotHeader = 2 };

// Fill the record from the block at `offset` of the loaded file. They return
// kBlockTruncated, filling nothing, when the block's fixed fields, the name
// with its terminating zero or the pixel bytes do not lie inside the file. A
// header block is decoded in the layout of its kind byte; another kind (or
// no kind byte inside the file) gives kBlockNotHeader.
int decode_header_block(std::span<const uint8_t> file, uint64_t offset, PixHeader* header);
int decode_pixel_block(std::span<const uint8_t> file, uint64_t offset, PixPixels* pixels);

// Bytes from a decoded header block's start to the next block's: its fixed
// part, the name and its zero, whatever the length word says.
uint64_t header_block_extent(const PixHeader& header);

// The pixels of the picture: all of the block's, or, with mip levels after
// it, the first width x height.
uint32_t picture_element_count(const PixHeader& header, const PixPixels& pixels);

// Building a PIX file block by block, as the game's files hold them. The
// file starts with kPixSignature. A header block is written in the layout of
// header.kind (0x03 or 0x3D), its length word true: the bytes after it, 11
// (0x03) or 13 (0x3D) + the name's length + 1; its name must hold no zero
// byte. A pixel block's length word also covers the `trailer` after its
// pixels, so that a reader moves past both: the 8-byte end block real files
// put after every pixelmap.
inline constexpr uint8_t kEndBlock[8] = {0, 0, 0, 0, 0, 0, 0, 0};
void append_header_block(std::vector<uint8_t>* file, const PixHeader& header);
void append_pixel_block(std::vector<uint8_t>* file, uint32_t element_count, uint32_t element_size,
                        std::span<const uint8_t> pixels, std::span<const uint8_t> trailer = kEndBlock);
// The 16 bytes before a pixel block's pixels alone, its length word
// `length`, for a writer that puts the pixels and the trailer after them
// itself.
void append_pixel_block_start(std::vector<uint8_t>* file, uint32_t element_count, uint32_t element_size,
                              uint32_t length);
