// Reading BMP files, as paint programs write them, into a DecodedImage.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/decoded_image.h"

// Whether a file begins like a BMP file: "BM", then after the size two
// reserved words of zero (10 bytes).
bool is_bmp_file(std::span<const uint8_t> start);

// Reads the whole BMP file `file` into a cleared `image`, refusing an image
// of more than `max_pixels` pixels before decoding it. Returns true, or
// false with `problem` set (see read_image).
bool read_bmp(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem);
