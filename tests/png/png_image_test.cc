// Every PNG file a run writes decodes, in libpng, to the pixels of the BMP
// file of the same texture: indices and colour table for 8-bit textures, R G
// B A for true colour ones (A 255 without alpha; with it, "-c2"); with
// "-transparent" index 0 alone is transparent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/image_file.h"
#include "test_support.h"

namespace {

// The image's kind, sizes, palette and pixels: the first `width` pixels of
// each row, as R G B A for true colour.
struct Picture {
  DecodedImage image;
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> palette;  // 0xAARRGGBB, alpha 0 for entry 0 as -transparent makes it
};

Picture decode(const fs::path& path) {
  Picture picture;
  std::vector<uint8_t> file = read_file(path);
  ImageBuffers buffers;
  std::string problem;
  DecodedImage& image = picture.image;
  EXPECT_TRUE(read_image(file, kDefaultMaxPixels, &buffers, &image, &problem)) << path << ": " << problem;
  const PixelLayout& layout = layout_of(image.kind);
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint8_t* pixel = image_row(image, y) + x * layout.size;
      if (layout.size == 1) picture.pixels.push_back(pixel[0]);
      else
        picture.pixels.insert(picture.pixels.end(), {pixel[layout.red], pixel[layout.green], pixel[layout.blue],
                                                     layout.alpha >= 0 ? pixel[layout.alpha] : uint8_t{255}});
    }
  for (uint32_t i = 0; i < image.palette.size() / 4; ++i) {
    uint8_t alpha = 0;
    const uint32_t rgb = palette_entry(image, i, &alpha);
    picture.palette.push_back((image.format == ImageFormat::png ? uint32_t{alpha} : i == 0 ? 0u : 255u) << 24 | rgb);
  }
  image.top_row = nullptr;
  image.palette = {};
  return picture;
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
    Picture bmp_picture = decode(dir.path / "bmp" / name), png_picture = decode(dir.path / "png" / name);
    const DecodedImage &from_bmp = bmp_picture.image, &from_png = png_picture.image;
    EXPECT_EQ(from_png.width, from_bmp.width) << name;
    EXPECT_EQ(from_png.height, from_bmp.height) << name;
    EXPECT_EQ(png_picture.pixels, bmp_picture.pixels) << name;
    if (from_bmp.kind == PixelKind::indexed) {
      ASSERT_EQ(from_png.kind, PixelKind::indexed) << name;
      EXPECT_EQ(png_picture.palette, bmp_picture.palette) << name;
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
