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

// The block kind is the fourth byte of a block's type word; the first three
// are never looked at.
inline constexpr uint8_t kHeaderBlockKind = 0x03;
inline constexpr uint8_t kPixelBlockKind = 0x21;

// Bytes before the name of a header block, and before the pixel bytes of a
// pixel block.
inline constexpr uint32_t kHeaderFixedBytes = 19;
inline constexpr uint32_t kPixelFixedBytes = 16;

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
  uint8_t PixType = 0;
  uint16_t row_bytes = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  // Never used by the extractor; the game's files hold a pixelmap's origin
  // there, x then y, mostly its centre (width / 2, height / 2).
  uint16_t spare1 = 0;
  uint16_t spare2 = 0;
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

enum : int { kBlockDecoded = 0, kBlockTruncated = 1 };

// Fill the record from the block at `offset` of the loaded file. They return
// kBlockTruncated, filling nothing, when the block's fixed fields, the name
// with its terminating zero or the pixel bytes do not lie inside the file.
int decode_header_block(std::span<const uint8_t> file, uint64_t offset, PixHeader* header);
int decode_pixel_block(std::span<const uint8_t> file, uint64_t offset, PixPixels* pixels);

// Building a PIX file block by block, as the game's files hold them. The
// file starts with kPixSignature. A header block's length word is 11 + the
// name's length + 1 (the fields after it and the name with its zero); its
// name must hold no zero byte. A pixel block's length word also covers the
// `trailer` after its pixels, so that a reader moves past both: the 8-byte
// end block real files put after every pixelmap.
inline constexpr uint8_t kEndBlock[8] = {0, 0, 0, 0, 0, 0, 0, 0};
void append_header_block(std::vector<uint8_t>* file, const PixHeader& header);
void append_pixel_block(std::vector<uint8_t>* file, uint32_t element_count, uint32_t element_size,
                        std::span<const uint8_t> pixels, std::span<const uint8_t> trailer = kEndBlock);
