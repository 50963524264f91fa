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
