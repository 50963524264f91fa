// The textures of the PIX file a pack replaces, for what images do not
// carry: each texture's pixel type, header kind, origin and mip levels, the
// palette pixelmap of a Splat Pack texture, the bytes after the pixels of
// its rows. Both header kinds are read, whatever the run.
#pragma once

#include <span>
#include <vector>

#include "pix/pix_blocks.h"

struct OldTexture {
  bool splat_pack = false;
  PixHeader header;  // its own header; the name refers into the file's bytes
  PixPixels image;   // the pixel block of its picture
  // A Splat Pack texture's palette: its header, and its pixel block as
  // stored, with what the block's length word covers.
  PixHeader palette_header;
  std::span<const uint8_t> palette_blocks;
  PixPixels palette;
};

// The textures of the loaded PIX file, as far as they decode.
void read_old_textures(std::span<const uint8_t> file, std::vector<OldTexture>* textures);

// Whether the PIX file `built` gives back the textures of `old_file`: as
// many, in the same order, each with the same blocks, header kind, pixel
// type, sizes, origin, mip offset and name, and the same pixel blocks'
// counts, sizes and bytes. What readers never trust (header length words)
// or never reach (bytes a pixel block's length word covers after its
// pixels, bytes after the last texture) does not count. With `differing`,
// for each texture of `built` whether it differs from the old texture of
// its number (or has none).
bool same_textures(std::span<const uint8_t> old_file, std::span<const uint8_t> built,
                   std::vector<bool>* differing = nullptr);
