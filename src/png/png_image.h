// Builds one texture's PNG file in memory with libpng and writes it.
#pragma once

#include "common/run_context.h"
#include "image/texture_image.h"
#include "pix/texture.h"

// Writes the texture as a PNG file at `output_path`: `height` rows of
// `width` pixels, each row starting `row_bytes` after the one before, the
// first row on top. 8-bit textures become indexed images with the 256
// colours of the texture's colour table (index 0 fully transparent with
// "-transparent"), 3-byte ones RGB, 4-byte ones (X R G B) RGB without the X
// byte. Returns 0, or 1 after a message.
int write_png_image(const TextureImage& image, const TextureLabel& label, const char* output_path,
                    const RunContext& context);
