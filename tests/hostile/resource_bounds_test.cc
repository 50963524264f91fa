// A header may declare any geometry and a pixel block any element count:
// the program uses only what the file's own bytes justify. Every BMP file
// holds at most the 54-byte header, the 1024-byte palette and the pixel
// bytes present in the file, and a tiny file that declares a giant texture
// is done with at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bmp/bmp_image.h"
#include "bmp/palettes.h"
#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// A run over a folder holding only T.PIX; the first BMP file is read back
// when one was written.
struct Extraction {
  RunResult run;
  std::vector<std::string> tree;  // the destination's entries
  Bytes bmp;
  Clock::duration elapsed;
};

Extraction extract(const PixFile& pix, const std::string& texture_name, std::vector<std::string> options) {
  TempDir dir;
  write_file(dir.path / "src" / "T.PIX", pix.bytes);
  std::vector<std::string> arguments = {dir.sub("src"), dir.sub("dst"), "-menupal"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  Extraction result;
  Clock::time_point start = Clock::now();
  result.run = run_velmire(arguments);
  result.elapsed = Clock::now() - start;
  result.tree = list_tree(dir.path / "dst");
  fs::path bmp = dir.path / "dst" / "T.PIX" / ("0001. " + texture_name + ".bmp");
  if (fs::exists(bmp)) result.bmp = read_file(bmp);
  return result;
}

BmpHeader header_of(const Bytes& bmp) {
  BmpHeader header;
  std::memcpy(&header, bmp.data(), sizeof header);
  return header;
}

Bytes palette_bytes() {
  auto table = palette_table(Palette::menu);
  return Bytes(table.begin(), table.end());
}

// Far below what reading or building a giant image would take, even in the
// sanitizer build.
constexpr auto kQuick = std::chrono::seconds(2);

TEST(ResourceBounds, AGiantTextureDeclaredInATinyFile) {
  // 65535 x 65535 pixels and 2^32-1 elements of 0 bytes: no pixel byte at
  // all, in a file of 64 bytes.
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 65535, 65535, 65535, "huge");
  add_pixel_block(&pix, 0xFFFFFFFFu, 0, {});
  ASSERT_LT(pix.bytes.size(), 100u);

  // Bottom-up rows would be read from beyond the file: refused.
  Extraction bottom_up = extract(pix, "huge", {});
  EXPECT_EQ(bottom_up.run.status, 0);
  EXPECT_NE(bottom_up.run.err.find(", texture 1 (huge): pixel data does not fit the file\n"), std::string::npos)
      << bottom_up.run.err;
  EXPECT_EQ(bottom_up.tree, std::vector<std::string>({"T.PIX/"}));
  EXPECT_LT(bottom_up.elapsed, kQuick);

  // Top-down needs no row of its own: the header and palette, and the
  // header still says what the file declared.
  Extraction top_down = extract(pix, "huge", {"-topdown"});
  EXPECT_EQ(top_down.run.err, "");
  EXPECT_EQ(report_lines(top_down.run.out), "NO: T.PIX (huge) --> 0001. huge.bmp\n");
  ASSERT_EQ(top_down.bmp.size(), 54u + 1024u);
  BmpHeader header = header_of(top_down.bmp);
  // Copied out of the packed header: the assertions bind references.
  int32_t width = header.width, height = header.height;
  uint32_t image_size = header.image_size;
  EXPECT_EQ(width, 65535);
  EXPECT_EQ(height, -65535);
  EXPECT_EQ(image_size, 65535u * 65535u);
  EXPECT_EQ(Bytes(top_down.bmp.begin() + 54, top_down.bmp.end()), palette_bytes());
  EXPECT_LT(top_down.elapsed, kQuick);
}

TEST(ResourceBounds, ElementCountsBeyondTheFileEndOnlyThatFile) {
  for (uint32_t element_size : {1u, 4u, 0xFFFFFFFFu}) {
    PixFile pix = start_pix_file();
    add_header_block(&pix, kPixTypeXrgb, 65535, 65535, 65535, "count");
    add_pixel_block(&pix, 0xFFFFFFFFu, element_size, Bytes{1, 2, 3, 4});
    for (const char* mode : {"-folder", "-topdown"}) {
      Extraction result = extract(pix, "count", {mode});
      // The pixel block starts after the signature and the header block
      // (20 bytes and the name).
      EXPECT_NE(result.run.err.find("Truncated block in file "), std::string::npos) << element_size;
      EXPECT_NE(result.run.err.find("T.PIX, offset 41\n"), std::string::npos) << result.run.err;
      EXPECT_EQ(result.tree, std::vector<std::string>()) << element_size;
      EXPECT_LT(result.elapsed, kQuick);
    }
  }
}

// Four 4-byte pixels under a 65535 x 65535 geometry, and ten 8-bit ones.
TEST(ResourceBounds, AGiantGeometryOverAFewPixelBytesWritesOnlyThoseBytes) {
  PixFile pix32 = start_pix_file();
  add_header_block(&pix32, kPixTypeXrgb, 65535, 65535, 65535, "few");
  add_pixel_block(&pix32, 4, 4, Bytes{0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12});
  Extraction refused = extract(pix32, "few", {});
  EXPECT_NE(refused.run.err.find("pixel data does not fit the file\n"), std::string::npos);
  EXPECT_EQ(refused.bmp, Bytes());

  Extraction written = extract(pix32, "few", {"-topdown"});
  EXPECT_EQ(written.run.err, "");
  EXPECT_EQ(report_lines(written.run.out), "!4B: T.PIX (few) --> 0001. few.bmp\n");
  ASSERT_EQ(written.bmp.size(), 54u + 16u);
  // Each X R G B pixel becomes B G R X.
  EXPECT_EQ(Bytes(written.bmp.begin() + 54, written.bmp.end()),
            Bytes({3, 2, 1, 0, 6, 5, 4, 0, 9, 8, 7, 0, 12, 11, 10, 0}));
  uint32_t file_size = header_of(written.bmp).file_size;
  EXPECT_EQ(file_size, 54u + 65535u * 65535u);  // as declared

  PixFile pix8 = start_pix_file();
  add_header_block(&pix8, kPixType8Bit, 65535, 65535, 65535, "ten");
  Bytes ten = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  add_pixel_block(&pix8, 10, 1, ten);
  Extraction eight = extract(pix8, "ten", {"-topdown"});
  EXPECT_EQ(eight.run.err, "");
  ASSERT_EQ(eight.bmp.size(), 54u + 1024u + 10u);
  EXPECT_EQ(Bytes(eight.bmp.begin() + 1078, eight.bmp.end()), ten);
  EXPECT_LT(written.elapsed + eight.elapsed, kQuick);
}

}  // namespace
