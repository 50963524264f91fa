// Every PNG file a run writes decodes, in libpng, to the pixels of the BMP
// file of the same texture: indices and colour table for 8-bit textures, R G
// B for true colour ones, R G B A for those with alpha ("-c2"); with
// "-transparent" index 0 alone is transparent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/image_file.h"
#include "test_support.h"

namespace {

DecodedImage decode(const fs::path& path) {
  DecodedImage image;
  std::string problem;
  EXPECT_TRUE(read_image(read_file(path), &image, &problem)) << path << ": " << problem;
  return image;
}

// The first `width` pixels of each row, as R G B for true colour, and the
// fourth byte too `with_alpha`.
std::vector<uint8_t> picture(const DecodedImage& image, bool with_alpha) {
  std::vector<uint8_t> pixels;
  const uint32_t size = bytes_per_pixel(image.kind);
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint8_t* pixel = &image.pixels[y * image.row_bytes + x * size];
      pixels.insert(pixels.end(), pixel, pixel + (size == 4 && !with_alpha ? 3 : size));
    }
  return pixels;
}

void compare_trees(const fs::path& source, const std::vector<std::string>& options) {
  TempDir dir;
  std::vector<std::string> bmp = {source.string(), dir.sub("bmp"), "-racepal", "-r", "-file", "-noenum",
                                  "-nopixpackname", "-extoriginal"};
  bmp.insert(bmp.end(), options.begin(), options.end());
  std::vector<std::string> png = bmp;
  png[1] = dir.sub("png");
  png.insert(png.end(), {"-png", "-transparent"});
  run_velmire(bmp);
  run_velmire(png);
  size_t compared = 0;
  for (const std::string& name : list_tree(dir.path / "bmp")) {
    if (name.back() == '/') continue;
    DecodedImage from_bmp = decode(dir.path / "bmp" / name), from_png = decode(dir.path / "png" / name);
    EXPECT_EQ(from_png.width, from_bmp.width) << name;
    EXPECT_EQ(from_png.height, from_bmp.height) << name;
    const bool alpha = from_png.kind == PixelKind::rgba;
    EXPECT_EQ(picture(from_png, alpha), picture(from_bmp, alpha)) << name;
    if (from_bmp.kind == PixelKind::indexed) {
      ASSERT_EQ(from_png.kind, PixelKind::indexed) << name;
      std::vector<uint8_t> expected = from_bmp.palette;
      for (size_t i = 3; i < expected.size(); i += 4) expected[i] = i == 3 ? 0 : 255;
      EXPECT_EQ(from_png.palette, expected) << name;
    }
    ++compared;
  }
  EXPECT_GT(compared, 4u);
}

TEST(PngImage, DecodesToThePixelsOfTheBmpFile) {
  compare_trees(source_tree_path("samples"), {});
  compare_trees(source_tree_path("samples"), {"-topdown"});
  fs::path fixtures = shared_fixture("brender");
  if (fixtures.empty()) GTEST_SKIP() << "the shared BRender fixtures are not available";
  TempDir copy;  // without the files that end the walk
  for (const auto& entry : fs::directory_iterator(fixtures)) {
    std::string name = entry.path().filename().string();
    if (name.find(".p") != std::string::npos && name != "gold15.pix" && name.rfind("smpte", 0) != 0)
      fs::copy_file(entry.path(), copy.path / name);
  }
  compare_trees(copy.path, {"-ownpal"});
  fs::path newer = shared_fixture("brender13");
  if (newer.empty()) GTEST_SKIP() << "the shared BRender 1.3 fixtures are not available";
  compare_trees(newer, {"-c2", "-ownpal"});
  compare_trees(newer, {"-c2", "-topdown"});
}

}  // namespace
