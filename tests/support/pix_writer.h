// Builds PIX files block by block, and TWT archives, the way the game's tools
// lay them out: the signature, then for each pixelmap a header block and a
// pixel block followed by an 8-byte end chunk that the pixel block's length
// word covers. The tests, the sample generator (tools/make_samples.cc), the
// benchmark corpora (bench/make_corpus.cc) and the fuzzing seeds
// (fuzz/seeds.cc) all make their files with it.
//
// It shares no code with src/ (tools/check-rooms checks that it includes
// nothing of it): its words, kinds and layouts are written out here, so that
// a fault in the program's own writers or tables cannot change the files its
// tests read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Pixel types: one byte of palette index, R G B, X R G B.
inline constexpr uint8_t kType8Bit = 3, kTypeRgb = 6, kTypeXrgb = 7;
// Block kinds, the fourth byte of a block's type word: the game's header
// block, BRender 1.2's (with a mip_offset before the name), the pixel block.
inline constexpr uint8_t kGameHeader = 0x03, kNewerHeader = 0x3D, kPixelBlock = 0x21;

struct PixFile {
  std::vector<uint8_t> bytes;
};

// A file holding only the signature, the words 0x12, 8, 2, 2.
PixFile start_pix_file();

void append_be32(std::vector<uint8_t>* bytes, uint32_t value);

// A header block of `kind` (kGameHeader or kNewerHeader), its length word
// true, its origin the pixelmap's centre as in the game's files.
void add_header_block(PixFile* file, uint8_t pix_type, uint16_t row_bytes, uint16_t width, uint16_t height,
                      std::string_view name, uint8_t kind = kGameHeader, uint16_t mip_offset = 0);

// The 8-byte chunk that ends every pixelmap in real files.
inline constexpr uint8_t kEndChunk[8] = {};

// A pixel block whose count x size pixel bytes are `pixels`, followed by the
// `trailer` bytes, which its length word covers so that a reader passes
// over them.
void add_pixel_block(PixFile* file, uint32_t element_count, uint32_t element_size,
                     std::span<const uint8_t> pixels, std::span<const uint8_t> trailer = kEndChunk);

// Raw bytes, for blocks no well-formed file holds.
void add_bytes(PixFile* file, std::span<const uint8_t> bytes);

// Bytes per pixel of a pixel type (1 for a type of no more than one byte or
// that BRender does not know).
uint32_t pix_type_bytes(uint8_t pix_type);

// One "12" texture: a header (of `kind`) and a pixel block of `pixels`,
// rows of width x bytes-per-pixel bytes.
void add_texture(PixFile* file, uint8_t pix_type, uint16_t width, uint16_t height, std::string_view name,
                 std::span<const uint8_t> pixels, uint8_t kind = kGameHeader);

// One "1122" texture as the game stores it: the image's header (8-bit unless
// `image_type` says otherwise), the header of its 1 x `palette_entries` true
// colour palette (a grey ramp), the palette's pixel block (with the 8-byte
// chunk real files put after it), then the image's pixel block of one byte
// per pixel.
void add_splat_pack_texture(PixFile* file, uint16_t width, uint16_t height, std::string_view name,
                            std::span<const uint8_t> pixels, uint16_t palette_entries = 256,
                            uint8_t image_type = kType8Bit);

// A TWT archive of these members, little-endian: the total size, the count,
// per member its length and its name in 52 bytes (zeros after a shorter
// one), then the members, each padded with zeros to 4 bytes, the last one
// too when `pad_last`.
struct TwtFile {
  std::string name;  // at most 52 bytes
  std::vector<uint8_t> bytes;
};
std::vector<uint8_t> twt_archive(const std::vector<TwtFile>& members, bool pad_last = false);
