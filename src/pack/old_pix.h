// The textures of the PIX file a pack replaces, for what images do not
// carry: each texture's pixel type, origin, the palette pixelmap of a Splat
// Pack texture, the bytes after the pixels of its rows.
#pragma once

#include <cstdio>
#include <span>
#include <vector>

#include "common/byte_buffer.h"
#include "pix/pix_blocks.h"
#include "platform/platform.h"

struct OldTexture {
  bool splat_pack = false;
  PixHeader header;  // its own header; the name refers into the file's bytes
  PixPixels image;   // the pixel block of its picture
  // A Splat Pack texture's palette: its header block and pixel block as
  // stored, with what the pixel block's length word covers.
  std::span<const uint8_t> palette_blocks;
  PixPixels palette;
};

// Reads the PIX file `name` in `folder` (a null folder: none) into `buffer`,
// and its textures as far as they decode. Returns 0 (with no texture when
// there is no such file), or 1 after a message when something that is not a
// PIX file stands there, which a pack must not replace.
int read_old_pix(const FolderHandle* folder, const char* name, const char* path, ByteBuffer* buffer,
                 std::vector<OldTexture>* textures, FILE* err);
