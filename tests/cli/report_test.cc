#include "cli/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(WellFormed, JudgedInUnitsOfFourPixels) {
  struct Case {
    uint16_t width, height;
    uint32_t count, size;
    bool expected;
  };
  const Case cases[] = {
      {64, 64, 1, 1, true},        // a multiple of 4, whatever the count
      {30, 10, 320, 1, true},      // rows already filled out to 32 pixels
      {30, 10, 300, 1, false},
      {30, 10, 320, 3, true},      // the same rule for true colour
      {30, 10, 300, 3, false},
      {3, 2, 8, 1, true},          // below 4: h x 4 against c x s
      {3, 2, 6, 1, false},
      {1, 256, 256, 4, true},      // the game's 1x256 true colour palettes
      {2, 1, 2, 3, false},
      {5, 1, 8, 4, true},          // 8 pixels of 4 bytes: 5 rounded up to 8
      {5, 1, 5, 4, false},
      // Products wrap at 32 bits: 1 row x 65536 pixels x 65536 bytes is 0.
      {65535, 1, 0, 65536, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(is_well_formed(c.width, c.height, c.count, c.size), c.expected)
        << c.width << "x" << c.height << ", " << c.count << " x " << c.size;
}

// A texture with the given geometry whose pixel block holds `count` elements.
void add(PixFile* pix, uint8_t pix_type, uint16_t width, uint16_t height, uint32_t count, const char* name) {
  uint32_t size = pix_type_bytes(pix_type);
  add_header_block(pix, pix_type, static_cast<uint16_t>(width * size), width, height, name);
  add_pixel_block(pix, count, size, Bytes(count * size, 0));
}

void add_splat(PixFile* pix, uint16_t width, uint16_t height, uint32_t count, const char* name) {
  add_header_block(pix, kPixType8Bit, width, width, height, name);
  add_header_block(pix, kPixTypeXrgb, 4, 1, 256, "palette");
  add_pixel_block(pix, 256, 4, Bytes(1024, 0));
  add_pixel_block(pix, count, 1, Bytes(count, 0));
}

TEST(Report, EveryCodeMarkedAndUnmarkedAndTheTotals) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add(&pix, kPixType8Bit, 30, 10, 320, "padded");
  add(&pix, kPixType8Bit, 30, 10, 300, "tight");
  add(&pix, kPixType8Bit, 64, 2, 100, "");  // 64 wide: well formed whatever its count
  add(&pix, kPixTypeRgb, 4, 1, 4, "rgb");
  add(&pix, kPixTypeRgb, 2, 1, 2, "rgb2");
  add(&pix, kPixTypeXrgb, 1, 256, 256, "pal");
  add(&pix, kPixTypeXrgb, 5, 1, 5, "xrgb5");
  add_splat(&pix, 8, 2, 16, "sp");
  add_splat(&pix, 6, 2, 12, "sp6");
  write_file(dir.path / "src" / "R.PIX", pix.bytes);

  RunResult folder = run_velmire({dir.sub("src"), dir.sub("out"), "-menupal"});
  EXPECT_EQ(folder.err, "");
  EXPECT_EQ(report_lines(folder.out),
            "NO: R.PIX (padded) --> 0001. padded.bmp\n"
            "!NO: R.PIX (tight) --> 0002. tight.bmp\n"
            "NO: R.PIX () --> 0003. no_name.bmp\n"
            "3B: R.PIX (rgb) --> 0004. rgb.bmp\n"
            "!3B: R.PIX (rgb2) --> 0005. rgb2.bmp\n"
            "4B: R.PIX (pal) --> 0006. pal.bmp\n"
            "!4B: R.PIX (xrgb5) --> 0007. xrgb5.bmp\n"
            "SP: R.PIX (sp) --> 0008. sp.bmp\n"
            "!SP: R.PIX (sp6) --> 0009. sp6.bmp\n");
  EXPECT_EQ(totals_block(folder.out), totals_text({.normal = 3, .normal_bad = 1, .splat = 2, .splat_bad = 1,
                                                   .rgb = 2, .rgb_bad = 1, .xrgb = 2, .xrgb_bad = 1}));

  // File mode: the third value is the whole file name with its prefix.
  RunResult file = run_velmire({dir.sub("src"), dir.sub("out2"), "-menupal", "-file"});
  EXPECT_NE(file.out.find("NO: R.PIX (padded) --> R.PIX - 0001. padded.bmp\n"), std::string::npos);
}

TEST(Report, OnlyWrittenTexturesAreReportedAndCounted) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add(&pix, kPixType8Bit, 4, 1, 4, "kept");
  add(&pix, kPixType8Bit, 4, 1, 4, "blocked");
  write_file(dir.path / "src" / "W.PIX", pix.bytes);
  // A folder stands where the second file must be written.
  fs::create_directories(dir.path / "out" / "W.PIX" / "0002. blocked.bmp");
  RunResult result = run_velmire({dir.sub("src"), dir.sub("out"), "-menupal"});
  std::string path = dir.sub("out") + sep() + "W.PIX" + sep() + "0002. blocked.bmp";
  EXPECT_EQ(result.err, "Cannot open file " + path + " for writing" + "Could not write to destination file " + path + "\n");
  EXPECT_EQ(report_lines(result.out), "NO: W.PIX (kept) --> 0001. kept.bmp\n");
  EXPECT_EQ(totals_block(result.out), totals_text({.normal = 1}));
  EXPECT_EQ(result.status, 0);
}

}  // namespace
