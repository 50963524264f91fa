// An image read from a BMP or PNG file, in the form the packer turns into
// PIX pixels: rows read where they lie, in the file itself when it stores
// them as the packer reads them (uncompressed BMP files), or else in a
// buffer the run keeps for every image. Both readers fill it; what they
// share (the checks of an image's size, the pixel buffer) is here too.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// How the bytes of each pixel are stored in the rows.
enum class PixelKind : uint8_t {
  indexed,  // 1 byte: an index into `palette`
  rgb,      // R G B (PNG, and 16-bit BMP files without alpha once decoded)
  rgba,     // R G B A; A is opacity, 0 fully transparent (PNG, and 16-bit BMP files with alpha)
  bgr,      // B G R (24-bit BMP)
  bgrx,     // B G R X; X is the fourth byte a 32-bit BMP stores with each pixel, kept as is
  bgra,     // B G R A (32-bit BMP whose masks put alpha in the fourth byte), A also kept as X
};

// Where the bytes of one pixel of a kind lie: the size, the offsets of red,
// green and blue, of the alpha byte and of the BMP's X byte (-1: none).
struct PixelLayout {
  uint8_t size;
  uint8_t red, green, blue;
  int8_t alpha, x;
};
inline constexpr PixelLayout kPixelLayouts[] = {
    {1, 0, 0, 0, -1, -1},  // indexed: the colour is the palette's
    {3, 0, 1, 2, -1, -1},  // rgb
    {4, 0, 1, 2, 3, -1},   // rgba
    {3, 2, 1, 0, -1, -1},  // bgr
    {4, 2, 1, 0, -1, 3},   // bgrx
    {4, 2, 1, 0, 3, 3},    // bgra
};
inline constexpr const PixelLayout& layout_of(PixelKind kind) {
  return kPixelLayouts[static_cast<int>(kind)];
}

enum class ImageFormat : uint8_t { bmp, png };

// The buffers the readers decode into, kept from one image to the next.
struct ImageBuffers {
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> palette;
};

struct DecodedImage {
  ImageFormat format = ImageFormat::bmp;
  PixelKind kind = PixelKind::rgb;
  uint32_t width = 0;
  uint32_t height = 0;
  // The top row, and the step from one row to the next (negative for the
  // bottom-up rows of a BMP file read where they lie).
  const uint8_t* top_row = nullptr;
  int64_t row_step = 0;
  // Bytes each row holds: at least width x the pixel size. A BMP read
  // where it lies keeps the bytes its rows carry after their pixels
  // (`stored_rows`); decoded rows hold exactly width pixels.
  uint32_t row_bytes = 0;
  bool stored_rows = false;
  // Indexed images only: at most 256 entries of 4 bytes, as the file holds
  // them (a BMP's B G R x, in the file) or R G B A (a PNG's, A = 255 unless
  // a tRNS chunk says otherwise, in the buffers).
  std::span<const uint8_t> palette;
  PixelKind palette_kind = PixelKind::bgrx;
};

// The colour of palette entry `index` (below palette.size() / 4) as
// 0xRRGGBB, and its opacity.
inline uint32_t palette_entry(const DecodedImage& image, uint32_t index, uint8_t* alpha) {
  const PixelLayout& layout = kPixelLayouts[static_cast<int>(image.palette_kind)];
  const uint8_t* entry = image.palette.data() + 4 * index;
  *alpha = layout.alpha >= 0 ? entry[layout.alpha] : 255;
  return uint32_t{entry[layout.red]} << 16 | uint32_t{entry[layout.green]} << 8 | entry[layout.blue];
}

inline const uint8_t* image_row(const DecodedImage& image, uint32_t y) {
  return image.top_row + static_cast<int64_t>(y) * image.row_step;
}

// The largest width and height a PIX file can hold.
inline constexpr uint32_t kMaxImageSide = 65535;

// The default of -maxpixels: 4096 x 4096, more than any texture of either game.
inline constexpr uint64_t kDefaultMaxPixels = uint64_t{1} << 24;

// The largest image file of `max_pixels` pixels: the bytes of a 32-bit BMP
// of that many pixels with rows padded a little, and room for headers and
// chunks (colour profiles, text). No file is read past it for -maxpixels,
// and none is taken past it for the pixels its header declares.
inline constexpr uint64_t image_file_limit(uint64_t max_pixels) {
  return 5 * max_pixels + (uint64_t{1} << 20);
}

// The most pixel bytes a file of `file_size` bytes may decode to. Deflate
// expands at most about 1032:1, so a PNG needing more is refused before
// anything is allocated; a BMP's rows are all inside the file anyway.
inline constexpr uint64_t decoded_bytes_limit(uint64_t file_size) {
  return 1100 * file_size + (uint64_t{1} << 20);
}

// Checks width >= 1, height >= 1, both <= kMaxImageSide, width x height
// <= max_pixels, and that the file, `file_size` bytes, is no larger than
// image_file_limit allows an image of that many pixels: a small picture
// followed by megabytes is refused before anything of it is decoded. Sets
// `problem` (naming the size) when not.
bool check_image_size(int64_t width, int64_t height, uint64_t file_size, uint64_t max_pixels, std::string* problem);

// Makes room for `size` bytes in buffers->pixels and returns them (not
// cleared), or nullptr, with `problem` set, when the memory cannot be had.
uint8_t* allocate_pixels(ImageBuffers* buffers, uint64_t size, std::string* problem);

// What a refusal that re-saving cures adds to its problem.
inline constexpr const char* kResaveHint = "; re-save it as a BMP file of 8, 24 or 32 bits or as a PNG file";
