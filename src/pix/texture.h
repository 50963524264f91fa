// A completed texture as the output stages see it.
#pragma once

#include <cstdint>
#include <string_view>

#include "pix/pix_blocks.h"

struct Texture {
  bool splat_pack = false;            // two headers and two pixel blocks
  const PixHeader* header = nullptr;  // its own header: geometry, pixel type, name
  const PixPixels* image = nullptr;   // the pixel block that becomes the picture
  // A Splat Pack texture's own palette: the pixels of its second pixelmap.
  const PixPixels* palette_pixels = nullptr;
};

// What messages and the report say about a texture.
struct TextureLabel {
  const char* pix_path = "";      // the PIX file's full path
  std::string_view entry_name;    // the PIX file's name in its folder
  int32_t number = 0;             // 1 for the first texture of the file
  std::string_view name;          // as stored in the file; may be empty
};
