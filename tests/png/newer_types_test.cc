// With "-c2 -png", every BRender 1.3 fixture decodes in libpng to the pixels
// of its type: the SMPTE files' second bar of the first row is 75% yellow
// (180, 180, 16) as each type's precision holds it, and every image is the
// picture of its 8-bit-per-channel sibling within that precision, opaque;
// "1122" files with "-ownpal" keep their indices and their own palette.
// Carmageddon 2's translucent type, which no fixture holds, is checked on a
// generated file.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "pix/texture_sequence.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A PNG file as libpng's simplified API reads it: R G B A pixels, or with
// `indexed` the indices and an R G B A colour map.
struct Decoded {
  uint32_t width = 0;
  uint32_t height = 0;
  Bytes pixels;
  Bytes colour_map;
};

Decoded read_png(const fs::path& path, bool indexed) {
  Bytes file = read_file(path);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Decoded decoded;
  EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size())) << path << image.message;
  image.format = indexed ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGBA;
  decoded.width = image.width;
  decoded.height = image.height;
  decoded.pixels.resize(PNG_IMAGE_SIZE(image));
  decoded.colour_map.resize(indexed ? PNG_IMAGE_COLORMAP_SIZE(image) : 0);
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0,
                                    indexed ? decoded.colour_map.data() : nullptr))
      << path << image.message;
  png_image_free(&image);
  return decoded;
}

// The texture of a one-texture PIX file: its header and the pixel blocks of
// its picture and of its own palette ("1122"), referring into `pix`.
struct Stored {
  PixHeader header;
  PixPixels picture;
  PixPixels palette;
  bool splat_pack = false;
};

Stored stored_texture(const Bytes& pix) {
  TextureSequence sequence;
  uint64_t position = 16;
  EXPECT_EQ(next_texture(pix, &position, &sequence, HeaderKinds::game_and_newer), BlockScan::texture);
  const Texture texture = texture_of(sequence);
  return {*texture.header, *texture.image, texture.splat_pack ? *texture.palette_pixels : PixPixels{},
          texture.splat_pack};
}

// How far a channel may lie from the 8-bit value: one step of the type's
// narrowest channel. The 75% yellow each type holds: 180 and 16 stored in 5
// bits are 22 and 2 (181 and 16 widened), in 6 bits 45 (182), in 4 bits 11
// and 1 (187 and 17).
struct TypeOracle {
  int step;
  uint8_t yellow[3];
};

const std::map<int, TypeOracle> kOracles = {
    {3, {0, {180, 180, 16}}},  {6, {0, {180, 180, 16}}},  {7, {0, {180, 180, 16}}},   {8, {0, {180, 180, 16}}},
    {37, {0, {180, 180, 16}}}, {4, {8, {181, 181, 16}}},  {17, {8, {181, 181, 16}}},  {5, {8, {181, 182, 16}}},
    {34, {8, {181, 182, 16}}}, {32, {17, {187, 187, 17}}},
};

TEST(NewerTypes, FixturesDecodeToThePixelsOfTheirTypes) {
  fs::path brender13 = shared_fixture("brender13");
  fs::path brender = shared_fixture("brender");
  if (brender13.empty() || brender.empty()) GTEST_SKIP() << "the shared BRender fixtures are not available";
  TempDir dir;
  fs::create_directories(dir.path / "src");
  for (const auto& entry : fs::directory_iterator(brender13))
    if (entry.path().extension() == ".pix") fs::copy_file(entry.path(), dir.path / "src" / entry.path().filename());
  for (const char* name : {"smpte_rgb_888_small.pix", "smpte_rgbx_888_small.pix"})
    fs::copy_file(brender / name, dir.path / "src" / name);
  RunResult result = run_velmire({dir.sub("src"), dir.sub("out"), "-racepal", "-c2", "-png", "-ownpal"});
  ASSERT_EQ(result.err, "");

  // Each image beside the 8-bit-per-channel one of its size.
  std::map<std::pair<uint32_t, uint32_t>, Decoded> references;
  std::vector<std::pair<int, Decoded>> images;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(dir.path / "src")) {
    const std::string name = entry.path().filename().string();
    const Bytes pix = read_file(entry.path());
    const Stored stored = stored_texture(pix);
    const fs::path png = fs::directory_iterator(dir.path / "out" / name)->path();
    const Decoded decoded = read_png(png, stored.splat_pack);
    ASSERT_EQ(decoded.width, stored.header.width) << name;
    ASSERT_EQ(decoded.height, stored.header.height) << name;
    ++checked;
    if (stored.splat_pack) {
      const size_t count = size_t{decoded.width} * decoded.height;
      EXPECT_EQ(decoded.pixels, Bytes(stored.picture.pixels.begin(), stored.picture.pixels.begin() + count)) << name;
      Bytes rgba;
      for (size_t i = 0; i < stored.palette.pixels.size(); i += 4)
        rgba.insert(rgba.end(), {stored.palette.pixels[i + 1], stored.palette.pixels[i + 2], stored.palette.pixels[i + 3], 255});
      EXPECT_EQ(decoded.colour_map, rgba) << name;
      continue;
    }
    const TypeOracle& oracle = kOracles.at(stored.header.PixType);
    if (name.rfind("smpte", 0) == 0) {
      const uint8_t* bar = &decoded.pixels[4 * (decoded.width * 3 / 14)];
      EXPECT_EQ(Bytes(bar, bar + 4), Bytes({oracle.yellow[0], oracle.yellow[1], oracle.yellow[2], 255})) << name;
    }
    if (oracle.step == 0) references[{decoded.width, decoded.height}] = decoded;
    images.emplace_back(oracle.step, decoded);
  }
  for (const auto& [step, decoded] : images) {
    const Decoded& reference = references.at({decoded.width, decoded.height});
    for (size_t i = 0; i < decoded.pixels.size(); ++i)
      ASSERT_LE(std::abs(decoded.pixels[i] - reference.pixels[i]), step) << decoded.width << "x" << decoded.height;
  }
  EXPECT_EQ(checked, 15);
}

// Carmageddon 2 stores translucent textures A4 R4 G4 B4, alpha in the top
// bits: a cut-out (alpha 0 and 15) and a screen (alpha 8).
TEST(NewerTypes, TranslucentTexturesKeepTheirAlpha) {
  const Bytes cutout = {0xFF, 0x00, 0x0F, 0x00, 0xF0, 0xF0, 0x00, 0xF0, 0xF0, 0x0F, 0x00, 0x0F, 0x8F, 0xFF, 0x80, 0x00};
  PixFile pix = start_pix_file();
  add_texture(&pix, 18, 4, 2, "glass", cutout, kNewerHeaderBlockKind);
  TempDir dir;
  write_file(dir.path / "src" / "glass.P16", pix.bytes);
  ASSERT_EQ(run_velmire({dir.sub("src"), dir.sub("out"), "-racepal", "-c2", "-png"}).err, "");
  const Decoded decoded = read_png(dir.path / "out" / "glass.P16" / "0001. glass.png", false);
  EXPECT_EQ(decoded.pixels, Bytes({255, 0, 0, 255, 255, 0, 0, 0,   0, 255, 0, 255, 0, 255, 0, 0,
                                   0, 0, 255, 255, 0, 0, 255, 0,   255, 255, 255, 136, 0, 0, 0, 136}));
}

}  // namespace
