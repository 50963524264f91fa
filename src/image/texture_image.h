// Writing a texture as an image file: the one call the texture sequence
// makes, whatever the format. It settles what every format shares (the
// layout of the pixels, the colour table of an 8-bit texture) and hands the
// texture to the writer of the run's format: BMP (bmp/) or PNG (png/).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/run_context.h"
#include "palette/palettes.h"
#include "pix/texture.h"

// How the stored pixel bytes are laid out.
enum class PixelLayout : uint8_t {
  indexed,  // 1 byte, an index into a 256-colour palette
  rgb,      // 3 bytes: R G B
  xrgb,     // 4 bytes: X R G B
};

// What a writer is given.
struct TextureImage {
  const Texture* texture = nullptr;
  PixelLayout layout = PixelLayout::indexed;
  const PaletteTable* colours = nullptr;  // 8-bit textures: B G R 0 per entry
};

// Writes the texture at `output_path` in the run's image format. Returns 0,
// or 1 after a message.
int write_texture_image(const Texture& texture, const TextureLabel& label, const char* output_path,
                        const RunContext& context);

// The extension file names take in the format (in upper case; the naming
// rules choose the case), and whether its files need rows padded to 4 bytes,
// so that the report marks textures whose rows are not.
std::string_view image_extension(uint8_t image_format);
bool marks_unpadded_rows(uint8_t image_format);

// "ERROR in file %s, texture %d (%s): " and then `what`.
void print_texture_error(FILE* err, const TextureLabel& label, const char* what);
