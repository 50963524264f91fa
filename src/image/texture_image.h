// Writing a texture as an image file: the one call the extraction walk
// makes, whatever the format. It settles what every format shares (the
// pixel type, the colour table of an 8-bit texture) and hands the texture
// to the writer of the run's format: BMP (bmp/) or PNG (png/).
#pragma once

#include <cstdint>
#include <string_view>

#include "common/run_options.h"
#include "common/texture_label.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"
#include "pix/texture.h"

// Writes the texture, whose pixel type is one the table holds, as `file` in
// the run's image format, 8-bit textures with `palette` (or with "-ownpal" a
// Splat Pack texture's own). Returns 0, or 1 after a message.
int write_texture_image(const Texture& texture, const TextureLabel& label, const RunOptions& options,
                        const PaletteTable* palette, const OutputFile& file);

// The extension file names take in the format (in upper case; the naming
// rules choose the case), and whether its files take the stored rows of a
// texture of this type as they are, needing them padded to 4 bytes, so that
// the report marks textures whose rows are not.
std::string_view image_extension(uint8_t image_format);
bool marks_unpadded_rows(uint8_t image_format, const PixelType& type);
