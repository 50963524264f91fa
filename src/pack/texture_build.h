// One texture of a PIX file being packed: the blocks made from its image.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pack/colour_match.h"
#include "pack/image_file.h"
#include "pack/old_pix.h"

// What was packed, for the report.
struct PackedTexture {
  const char* code = "NO";      // NO, SP, 3B or 4B, as velmire's report has them
  bool paletted = false;        // NO and SP: 8-bit, its colours matched
  uint64_t inexact_pixels = 0;  // pixels whose colour the palette does not hold
};

// Appends the header block, the pixel block and the end block of one
// texture named `name` to `pix`, from `image`. `old` is the texture this
// one replaces (the same number and name in the PIX file being replaced),
// or null.
//
// Pixel type: the old texture's, a Splat Pack one with the old palette
// pixelmap as stored; else the image's (indexed 8-bit, 24-bit 3 bytes,
// 32-bit 4 bytes). Row bytes: those of a BMP file of that very type (its
// image size / height), else the old texture's when the sizes are the
// same, else width x bytes per pixel. Bytes after the pixels of a row, the
// X byte of 4-byte pixels and the origin come from the old texture when the
// image does not carry them (the origin otherwise the centre, as the game's
// files have it).
//
// 8-bit pixels: an indexed image whose colours are the palette's (or, for a
// Splat Pack texture, those of the palette it carries) keeps its indices;
// any other image is matched colour by colour: fully transparent pixels
// take index 0, a pixel whose colour the old texture's index there has
// keeps that index (equal colours under several indices), any other exact
// colour its lowest index, the rest the nearest (match_colour). Returns
// true, or false with `problem` set.
bool append_texture(const DecodedImage& image, std::string_view name, const OldTexture* old,
                    const ColourMatch& colours, std::vector<uint8_t>* pix, PackedTexture* packed,
                    std::string* problem);
