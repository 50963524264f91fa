// Image files read as velmire-pack takes them: a BMP or a PNG file, told
// apart by its signature.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/decoded_image.h"

// Whether the first bytes of a file are those of a BMP or a PNG file: "BM"
// and two reserved words of zero, or the 8-byte PNG signature. Needs 16 bytes.
inline constexpr size_t kImageSignatureBytes = 16;
bool has_image_signature(std::span<const uint8_t> start);

// Reads a whole BMP or PNG file held in memory, told apart by their signatures
// ("BM", and the 8-byte PNG signature), refusing before decoding an image of
// more than `max_pixels` pixels. Rows point into `file` or into `buffers`,
// valid while both are. Returns true with `image` filled, or false
// with `problem` set to a short lower-case description of what is wrong, which the
// caller prints after the file's name, e.g. "not a BMP or PNG image",
// "a BMP compression it does not read (4: JPEG)", "65536 pixels wide, more than 65535",
// "the file ends inside its pixel rows", "a colour table of 300 entries, more than 256",
// "a damaged PNG file: <libpng's message>". What a paint program can re-save
// in another form says so.
bool read_image(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
                std::string* problem);
