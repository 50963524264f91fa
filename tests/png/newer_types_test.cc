// With "-c2 -png", every BRender 1.3 fixture decodes in libpng to the pixels
// of its type: the SMPTE files' second bar of the first row is 75% yellow
// (180, 180, 16) as each type's precision holds it, and every image is the
// picture of its 8-bit-per-channel sibling within that precision, opaque;
// "1122" files with "-ownpal" keep their indices and their own palette.
// Carmageddon 2's translucent type 18, which no fixture holds, is checked on
// the fuzzer's seed of it: a cut-out (alpha 0 and 15) and a screen (alpha 8).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "pix/texture_sequence.h"
#include "seeds.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// R G B A pixels, or with a colour map (of R G B A entries) the indices.
Bytes read_png(const fs::path& path, Bytes* colour_map = nullptr) {
  Bytes file = read_file(path);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size())) << path;
  image.format = colour_map != nullptr ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGBA;
  Bytes pixels(PNG_IMAGE_SIZE(image));
  if (colour_map != nullptr) colour_map->resize(PNG_IMAGE_COLORMAP_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0,
                                    colour_map != nullptr ? colour_map->data() : nullptr))
      << path << image.message;  // which frees the image
  return pixels;
}

// By type, how far a channel may lie from the 8-bit value (one step of the
// type's narrowest channel), and the 75% yellow the type holds: 180 and 16
// are 22 and 2 in 5 bits (181 and 16 widened), 45 in 6 bits (182), 11 and 1
// in 4 bits (187 and 17).
const std::map<int, std::pair<int, Bytes>> kOracles = {
    {6, {0, {180, 180, 16, 255}}},  {7, {0, {180, 180, 16, 255}}},  {8, {0, {180, 180, 16, 255}}},
    {37, {0, {180, 180, 16, 255}}}, {4, {8, {181, 181, 16, 255}}},  {17, {8, {181, 181, 16, 255}}},
    {5, {8, {181, 182, 16, 255}}},  {34, {8, {181, 182, 16, 255}}}, {32, {17, {187, 187, 17, 255}}},
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
  for (const Seed& seed : make_seeds())
    if (seed.name == "c2-alpha-4") write_file(dir.path / "src" / "glass.P16", seed.bytes);
  ASSERT_EQ(run_velmire({dir.sub("src"), dir.sub("out"), "-racepal", "-c2", "-png", "-ownpal"}).err, "");

  std::map<size_t, Bytes> references;  // by pixel count, 8 bits per channel
  std::vector<std::pair<int, Bytes>> images;
  for (const auto& entry : fs::directory_iterator(dir.path / "src")) {
    const Bytes pix = read_file(entry.path());
    TextureSequence sequence;
    uint64_t position = 16;
    ASSERT_EQ(next_texture(pix, &position, &sequence, HeaderKinds::game_and_newer), BlockScan::texture);
    const Texture texture = texture_of(sequence);
    const std::string name = entry.path().filename().string();
    const fs::path png = fs::directory_iterator(dir.path / "out" / name)->path();
    const size_t count = size_t{texture.header->width} * texture.header->height;
    if (texture.splat_pack) {
      Bytes colour_map, palette;
      EXPECT_EQ(read_png(png, &colour_map), Bytes(texture.image->pixels.begin(), texture.image->pixels.begin() + count));
      for (size_t i = 0; i < texture.palette_pixels->pixels.size(); i += 4)
        palette.insert(palette.end(), {texture.palette_pixels->pixels[i + 1], texture.palette_pixels->pixels[i + 2],
                                       texture.palette_pixels->pixels[i + 3], 255});
      EXPECT_EQ(colour_map, palette) << name;
      continue;
    }
    const Bytes pixels = read_png(png);
    ASSERT_EQ(pixels.size(), 4 * count) << name;
    if (name == "glass.P16") {
      EXPECT_EQ(pixels, Bytes({255, 0, 0, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0,  // alpha 15, 0
                               255, 255, 255, 136, 255, 0, 0, 136, 0, 255, 0, 136, 0, 0, 255, 136}));  // 8
      continue;
    }
    const auto& [step, yellow] = kOracles.at(texture.header->PixType);
    if (name.rfind("smpte", 0) == 0) {
      const size_t bar = 4 * (texture.header->width * 3 / 14);
      EXPECT_EQ(Bytes(pixels.begin() + bar, pixels.begin() + bar + 4), yellow) << name;
    }
    if (step == 0) references[count] = pixels;
    images.emplace_back(step, pixels);
  }
  EXPECT_EQ(images.size(), 12u);
  for (const auto& [step, pixels] : images)
    for (size_t i = 0; i < pixels.size(); ++i)
      ASSERT_LE(std::abs(pixels[i] - references.at(pixels.size() / 4)[i]), step) << pixels.size() / 4 << " pixels";
}

}  // namespace
