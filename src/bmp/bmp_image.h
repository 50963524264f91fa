// Builds one texture's BMP file in memory and writes it.
#pragma once

#include "common/run_context.h"
#include "pix/texture.h"

// Writes the texture as a BMP file at `output_path`. Returns 0, or 1 after a
// message.
int write_texture_bmp(const Texture& texture, const TextureLabel& label, const char* output_path,
                      const RunContext& context);
