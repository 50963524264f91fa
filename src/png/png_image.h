// Builds one texture's PNG file in memory with libpng and writes it.
#pragma once

#include "common/run_options.h"
#include "common/texture_label.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"
#include "pix/texture.h"

// Writes the texture as the PNG file `file`: `height` rows of `width`
// pixels, each row starting `row_bytes` after the one before, the first row
// on top. 8-bit textures become indexed images with the 256 colours of
// `colours` (index 0 fully transparent with "-transparent"), 3-byte ones
// RGB, 4-byte ones (X R G B) RGB without the X byte, the newer types RGB, or
// RGBA when they have alpha, 8 bits per channel. The texture's pixel type is
// one the table holds, and its rows lie in the file, none overlapping the
// next. Returns 0, or 1 after a message.
int write_png_image(const Texture& texture, const PaletteTable* colours, const RunOptions& options,
                    const TextureLabel& label, const OutputFile& file);
