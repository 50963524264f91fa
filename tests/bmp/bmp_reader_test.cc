// Each BMP pixel layout read into known colours: the literal words of a
// one-row file against the red, green, blue and alpha they stand for. (The
// layouts of 5-5-5 without bit fields, 5-6-5, B G R X with and without bit
// fields, 8-8-8-8 with an alpha mask and 24 bits: the image fuzzer's seeds,
// whose pixels tests/regressions/replay_test.cc checks.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/image_file.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Each pixel as "RRGGBBAA".
std::string colours_of(const DecodedImage& image) {
  std::string text;
  const uint8_t* row = image_row(image, 0);
  const PixelLayout& layout = layout_of(image.kind);
  for (uint32_t x = 0; x < image.width; ++x) {
    const uint8_t* pixel = row + x * layout.size;
    char colour[10];
    std::snprintf(colour, sizeof colour, "%02x%02x%02x%02x ", pixel[layout.red], pixel[layout.green],
                  pixel[layout.blue], layout.alpha >= 0 ? pixel[layout.alpha] : 255);
    text += colour;
  }
  return text;
}

TEST(BmpReader, EachPixelLayoutGivesItsColours) {
  struct Case {
    const char* layout;
    uint16_t bits;
    uint32_t compression, header;
    std::vector<uint32_t> masks;
    Bytes row;
    std::string colours;
  };
  const Case cases[] = {
      // 5-bit channels widen by repeating their top bits: 1 -> 8, 16 -> 132, 31 -> 255.
      {"x555 bit fields", 16, 3, 40, {0x7C00, 0x03E0, 0x001F}, {0x1F, 0x06}, "0884ffff "},
      {"1555", 16, 3, 108, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0x00, 0xFC, 0x00, 0x7C}, "ff0000ff ff000000 "},
      // 4-bit channels times 17: alpha 8 -> 136.
      {"4444", 16, 3, 108, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x01, 0x8F}, "ff001188 "},
  };
  for (const Case& c : cases) {
    const uint32_t width = static_cast<uint32_t>(c.row.size() * 8 / c.bits);
    Bytes row = c.row;
    row.resize((row.size() + 3) / 4 * 4, 0);
    const Bytes file = bmp_of_rows(width, 1, c.bits, c.compression, c.header, c.masks, {}, row);
    ImageBuffers buffers;
    DecodedImage image;
    std::string problem;
    ASSERT_TRUE(read_image(file, kDefaultMaxPixels, &buffers, &image, &problem)) << c.layout << ": " << problem;
    EXPECT_EQ(colours_of(image), c.colours) << c.layout;
  }
}

TEST(ImageSize, TheLimitsHoldAtTheirEdges) {
  struct Case {
    int64_t width, height;
    uint64_t max_pixels;
    bool accepted;
    uint64_t file_size = 0;  // at most 5 bytes a pixel and 1 MiB
  };
  const Case cases[] = {
      {0, 1, 100, false},      {1, 0, 100, false},      {1, 1, 100, true},
      {65535, 1, 1u << 20, true}, {65536, 1, 1u << 20, false}, {1, 65535, 1u << 20, true}, {1, 65536, 1u << 20, false},
      {10, 9, 91, true},       {10, 9, 90, true},       {10, 9, 89, false},
      {16, 16, 256, true, 5 * 256 + (1u << 20)}, {16, 16, 256, false, 5 * 256 + (1u << 20) + 1},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_EQ(check_image_size(c.width, c.height, c.file_size, c.max_pixels, &problem), c.accepted)
        << c.width << " x " << c.height << " of " << c.max_pixels << " in " << c.file_size << ": " << problem;
  }
}

}  // namespace
