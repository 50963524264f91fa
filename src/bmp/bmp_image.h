// Builds one texture's BMP file in memory and writes it.
#pragma once

#include <cstdint>
#include <span>

#include "common/run_options.h"
#include "common/texture_label.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"
#include "pix/texture.h"

// The BMP file header followed by the BITMAPINFOHEADER, little-endian and
// without gaps.
#pragma pack(push, 1)
struct BmpHeader {
  uint16_t signature;
  uint32_t file_size;
  uint16_t reserved1;
  uint16_t reserved2;
  uint32_t pixel_data_offset;
  uint32_t info_header_size;
  int32_t width;
  int32_t height;  // negative for top-down rows
  uint16_t planes;
  uint16_t bit_count;
  uint32_t compression;
  uint32_t image_size;
  int32_t horizontal_resolution;
  int32_t vertical_resolution;
  uint32_t colours_used;
  uint32_t important_colours;
};
#pragma pack(pop)
static_assert(sizeof(BmpHeader) == 54);

// Header fields for an image of `row_bytes` x |height| pixel bytes. An 8-bit
// image's pixels start after a full 256-entry colour table (offset 1078).
void build_bmp_header(BmpHeader* header, int32_t width, int32_t height, int32_t row_bytes,
                      uint16_t bit_count);

// How the stored pixel bytes become the BMP pixel array.
struct PixelOrder {
  uint32_t row_length = 0;   // row bytes
  uint32_t row_count = 0;    // height
  bool reverse_rows = true;  // bottom-up: output row i is stored row N-1-i
  // True colour pixels are stored R G B or X R G B and BMP files want
  // B G R or B G R X: the bytes of each pixel are reversed. 0 for 8-bit.
  uint32_t stride = 0;
  uint32_t pixel_count = 0;  // pixels whose bytes are reversed
};

// Fills `out` (the pixel array: as many bytes as the texture's pixel bytes)
// from `stored`, which runs from the first pixel byte to the end of the
// loaded file. The result is that of reversing the bytes of the first
// pixel_count pixels, then the first row_count rows of row_length bytes,
// in the stored bytes, and copying out.size() of them; the stored bytes
// themselves are not changed. The caller has checked that stride x
// pixel_count and (when reversing) row_length x row_count lie within
// `stored`.
void copy_pixel_array(std::span<uint8_t> out, std::span<const uint8_t> stored, const PixelOrder& order);

// Writes the texture as the BMP file `file`: the header, the colour table
// (`colours`) of an 8-bit texture, then the pixel rows as stored, each
// pixel's bytes in reverse (R G B becomes B G R), bottom-up unless the
// options ask for top-down files; only the picture, without the mip levels
// after it. The newer types are decoded instead: 24-bit rows padded to 4
// bytes, or with alpha 32-bit B G R A rows under a BITMAPV5 header whose
// bit field masks say so. The texture's pixel type is one the table holds;
// the rows of a newer type lie in the file, none overlapping the next.
// Returns 0, or 1 after a message.
int write_bmp_image(const Texture& texture, const PaletteTable* colours, const RunOptions& options,
                    const TextureLabel& label, const OutputFile& file);
