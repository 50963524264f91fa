// A completed texture as the output stages see it.
#pragma once

#include "pix/pix_blocks.h"
#include "pix/pixel_types.h"

struct Texture {
  bool splat_pack = false;            // two headers and two pixel blocks
  const PixHeader* header = nullptr;  // its own header: geometry, pixel type, name
  const PixPixels* image = nullptr;   // the pixel block that becomes the picture
  // A Splat Pack texture's own palette: the pixels of its second pixelmap.
  const PixPixels* palette_pixels = nullptr;
};

// The type of the texture's picture: a Splat Pack texture's is 8-bit
// whatever its header says; nullptr for a type the table does not hold.
const PixelType* texture_pixel_type(const Texture& texture);
