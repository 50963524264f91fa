// One texture of a PIX file being packed: the blocks made from its image,
// written straight into the file being built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "pack/colour_match.h"
#include "common/decoded_image.h"
#include "pack/old_pix.h"
#include "pix/pix_blocks.h"

// A PIX file being built, in a buffer the run keeps: nothing is zero-filled
// that is then overwritten.
struct PixOutput {
  ByteBuffer buffer;
  size_t size = 0;
  std::vector<uint8_t> blocks;  // the fixed fields of one block, as pix_blocks encodes them
};

// Room for `count` more bytes at the end, or nullptr when the memory cannot
// be had.
uint8_t* extend_output(PixOutput* output, size_t count);
inline std::span<const uint8_t> output_bytes(const PixOutput& output) {
  return {output.buffer.bytes, output.size};
}

// The palettes of the run, named as the user typed them: the run's own, and
// the others velmire writes (the other built-in palette; both when the
// run's palette comes from a file), which an image extracted by mistake
// with another palette carries.
struct RunPalettes {
  const PaletteTable* run = nullptr;
  std::string run_name;
  std::vector<std::pair<const PaletteTable*, std::string>> others;
};

// What every texture is built with.
struct TextureContext {
  const RunPalettes* palettes = nullptr;
  ColourMatch* run_colours = nullptr;  // set to the run's palette
  ColourMatch* own_colours = nullptr;  // reused for each Splat Pack texture's own palette
  uint64_t max_pixels = 0;
};

// What was packed, for the report.
struct PackedTexture {
  const char* code = "NO";      // NO, SP, 2B, 3B or 4B, as velmire's report has them
  bool paletted = false;        // NO and SP: 8-bit, its colours matched
  uint64_t inexact_pixels = 0;  // pixels whose colour the palette does not hold
  bool alpha_kept = false;      // the image had no alpha: the old texture's was kept
};

// The pixel type and header kind of a texture that replaces none, where
// its file decides them (see added_texture_type); pix_type 0: the image
// decides.
struct AddedType {
  uint8_t pix_type = 0;
  uint8_t kind = kHeaderBlockKind;
};

// The pixel type of a texture built over `old` (or none) from an image of
// `kind`: the old texture's when the table holds it (8-bit for a Splat
// Pack one), else the added type, else the image's (indexed 8-bit, 24-bit
// 3 bytes, 32-bit 4 bytes).
uint8_t texture_pix_type(const OldTexture* old, AddedType added, PixelKind kind);

// The colour of the image's pixel `pixel` as 0xRRGGBB, and its opacity.
// False, with `problem` set by refuse_colour, for an index past the image's
// palette. Inline: it is asked for every pixel.
bool refuse_colour(const DecodedImage& image, uint8_t index, std::string* problem);
inline bool pixel_colour(const DecodedImage& image, const uint8_t* pixel, uint32_t* rgb, uint8_t* alpha,
                         std::string* problem) {
  if (image.kind == PixelKind::indexed) {
    if (4u * pixel[0] >= image.palette.size()) return refuse_colour(image, pixel[0], problem);
    *rgb = palette_entry(image, pixel[0], alpha);
    return true;
  }
  const PixelLayout& layout = layout_of(image.kind);
  *alpha = layout.alpha >= 0 ? pixel[layout.alpha] : 255;
  *rgb = uint32_t{pixel[layout.red]} << 16 | uint32_t{pixel[layout.green]} << 8 | pixel[layout.blue];
  return true;
}

// Appends the header block, the pixel block and the end block of one
// texture named `name` to `output`, from `image`. `old` is the texture this
// one replaces (the same number and name in the PIX file being replaced),
// or null; `added` the type and header kind a texture without one takes.
//
// Pixel type: texture_pix_type's, a Splat Pack texture with the old palette
// pixelmap as stored. The header block's kind and mip_offset are the old
// texture's too (an added texture's kind is `added.kind`). Row bytes: those of a BMP file of
// that very type read where it lies (its image size / height), else the old
// texture's when the sizes are the same, else width x bytes per pixel.
// Bytes after the pixels of a row, the X byte of 4-byte pixels and the bits
// of a newer type's pixel that no channel holds come from the old texture
// when the image does not carry them; the origin too, scaled with the size
// when that changed (else it is the centre, as the game's files have it).
//
// The newer types take each channel narrowed to the nearest of its levels
// (encode_pixels). Mip levels are not made: a texture with mip levels
// whose picture is the old one gets the old pixel block back whole, and
// one whose picture changed is refused.
//
// 8-bit pixels are matched against the run's palette, or a Splat Pack
// texture's own. An indexed image whose colours are that palette's keeps
// its indices, row by row. One whose full 256-colour table is another
// palette velmire writes, more than 8 colours away from the run's, is
// refused: it was extracted with that palette. Any other image is matched
// colour by colour: index 0 (transparent in the game) only for an alpha
// below 128 or where the old texture had index 0 and the colour is still
// its colour; a colour that the old texture's index there has keeps that
// index; any other colour match_colour's answer.
// Returns true, or false with `problem` set.
bool append_texture(const DecodedImage& image, std::string_view name, const OldTexture* old, AddedType added,
                    const TextureContext& context, PixOutput* output, PackedTexture* packed, std::string* problem);

// Appends the old texture's blocks as they decode: a texture its file keeps
// while others are rebuilt. False, with `problem` set, without memory.
bool append_old_texture(const OldTexture& old, PixOutput* output, std::string* problem);
