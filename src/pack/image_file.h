// An image read from a BMP or PNG file, in the form the packer turns into PIX pixels.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// How the bytes of each pixel are stored in DecodedImage::pixels.
enum class PixelKind : uint8_t {
  indexed,  // 1 byte: an index into `palette`
  rgb,      // 3 bytes: R G B
  rgba,     // 4 bytes: R G B A; A is opacity, 0 fully transparent (PNG only)
  rgbx,     // 4 bytes: R G B X; X is the fourth byte a 32-bit BMP stores with each pixel, kept as is
};

enum class ImageFormat : uint8_t { bmp, png };

struct DecodedImage {
  ImageFormat format = ImageFormat::bmp;
  PixelKind kind = PixelKind::rgb;
  uint32_t width = 0;
  uint32_t height = 0;
  // Bytes from the start of one row to the start of the next in `pixels`: at least
  // width x bytes per pixel. A BMP keeps the bytes its rows carry after their pixels
  // (see below); a PNG's rows hold exactly width pixels.
  uint32_t row_bytes = 0;
  std::vector<uint8_t> pixels;   // height rows of row_bytes bytes, the top row first
  // Indexed images only: 4 bytes per entry, R G B A (A = 255 unless a PNG tRNS chunk
  // says otherwise); at most 256 entries.
  std::vector<uint8_t> palette;
};

// The largest width and height a PIX file can hold.
inline constexpr uint32_t kMaxImageSide = 65535;

// Bytes one pixel of `kind` takes in DecodedImage::pixels.
inline constexpr uint32_t bytes_per_pixel(PixelKind kind) {
  return kind == PixelKind::indexed ? 1 : kind == PixelKind::rgb ? 3 : 4;
}

// The most pixel bytes a file of `file_size` bytes may decode to. Deflate
// expands at most about 1032:1, so a PNG needing more is refused before
// anything is allocated; a BMP's rows are all inside the file anyway.
inline constexpr uint64_t decoded_bytes_limit(uint64_t file_size) {
  return 1100 * file_size + (uint64_t{1} << 20);
}

// Reads a whole BMP or PNG file held in memory, told apart by their signatures
// ("BM", and the 8-byte PNG signature). Returns true with `image` filled, or false
// with `problem` set to a short lower-case description of what is wrong, which the
// caller prints after the file's name, e.g. "not a BMP or PNG image",
// "a BMP compression it does not read (1: 8-bit run-length)", "a BMP of 16 bits per
// pixel, which it does not read", "65536 pixels wide, more than 65535",
// "the file ends inside its pixel rows", "a colour table of 300 entries, more than 256",
// "a damaged PNG file: <libpng's message>".
bool read_image(std::span<const uint8_t> file, DecodedImage* image, std::string* problem);
