// Reading PNG files through libpng into a DecodedImage.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/decoded_image.h"

// Whether a file begins with the 8-byte PNG signature.
bool is_png_file(std::span<const uint8_t> start);

// Reads the whole PNG file `file` into a cleared `image`, refusing an image
// of more than `max_pixels` pixels before decoding it. Returns true, or
// false with `problem` set (see read_image).
bool read_png(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem);
