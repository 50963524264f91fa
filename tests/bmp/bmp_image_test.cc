#include "bmp/bmp_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bmp/palettes.h"
#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes palette_bytes(Palette palette) {
  auto table = palette_table(palette);
  return Bytes(table.begin(), table.end());
}

// Runs the program on one PIX file holding `pix` and returns the first BMP
// file written for it (default names: the PIX file's folder, 0001. name.bmp).
struct Extraction {
  RunResult run;
  fs::path bmp;
  Bytes bytes;
};

Extraction extract(const TempDir& dir, const PixFile& pix, const std::string& texture_name,
                   std::vector<std::string> options = {}) {
  write_file(dir.path / "src" / "T.PIX", pix.bytes);
  std::vector<std::string> arguments = {dir.sub("src"), dir.sub("dst"),
                                        options.empty() ? "-menupal" : options[0]};
  arguments.insert(arguments.end(), options.size() > 1 ? options.begin() + 1 : options.end(), options.end());
  Extraction result;
  result.run = run_velmire(arguments);
  result.bmp = dir.path / "dst" / "T.PIX" / ("0001. " + texture_name + ".bmp");
  if (fs::exists(result.bmp)) result.bytes = read_file(result.bmp);
  return result;
}

TEST(BmpHeader, TheLargestGeometryStillFits32Bits) {
  BmpHeader header;
  build_bmp_header(&header, 65535, -65535, 65535, 8);
  // Packed fields are copied out: the test macros bind aligned references.
  EXPECT_EQ(int32_t{header.height}, -65535);
  EXPECT_EQ(uint32_t{header.image_size}, 65535u * 65535u);
  EXPECT_EQ(uint32_t{header.file_size}, 65535u * 65535u + 1078u);
}

// The order in which the stored bytes are changed in place, step by step,
// and then copied out: the model the program's single pass must match.
Bytes in_place_model(Bytes stored, size_t pixel_bytes, const PixelOrder& order) {
  for (size_t p = 0; order.stride != 0 && p < order.pixel_count; ++p)
    std::reverse(stored.begin() + p * order.stride, stored.begin() + (p + 1) * order.stride);
  if (order.reverse_rows) {
    size_t L = order.row_length, N = order.row_count;
    Bytes temporary(L * N);
    for (size_t i = 0; i < N; ++i) std::copy_n(stored.begin() + (N - 1 - i) * L, L, temporary.begin() + i * L);
    std::copy(temporary.begin(), temporary.end(), stored.begin());
  }
  return Bytes(stored.begin(), stored.begin() + pixel_bytes);
}

TEST(PixelArray, MatchesReversingInPlaceForEveryGeometry) {
  std::mt19937 random(12345);
  for (int trial = 0; trial < 20000; ++trial) {
    PixelOrder order;
    const uint32_t strides[] = {0, 3, 4};
    order.stride = strides[random() % 3];
    order.row_length = random() % 13;
    order.row_count = random() % 6;
    order.reverse_rows = random() % 4 != 0;
    order.pixel_count = random() % 12;
    size_t needed = std::max<size_t>(order.reverse_rows ? order.row_length * order.row_count : 0,
                                     order.stride * order.pixel_count);
    Bytes stored(needed + random() % 8);
    for (uint8_t& b : stored) b = static_cast<uint8_t>(random());
    size_t pixel_bytes = stored.empty() ? 0 : random() % (stored.size() + 1);

    Bytes out(pixel_bytes, 0xEE);
    copy_pixel_array(out, stored, order);
    ASSERT_EQ(out, in_place_model(stored, pixel_bytes, order))
        << "stride " << order.stride << " row " << order.row_length << " x " << order.row_count
        << " reverse " << order.reverse_rows << " pixels " << order.pixel_count << " of "
        << stored.size() << " bytes, copying " << pixel_bytes;
  }
}

const Bytes k8BitHeader4x2 = {0x42, 0x4D, 0x3E, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0, 40, 0, 0, 0,
                              4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kPixels4x2 = {0x00, 0x01, 0x02, 0x03, 0x10, 0x11, 0x12, 0x13};

TEST(BmpFile, EightBitRowsAreReversedUnlessTopDown) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 2, "go", kPixels4x2);
  Extraction bottom_up = extract(dir, pix, "go");
  EXPECT_EQ(bottom_up.run.err, "");
  EXPECT_EQ(bottom_up.bytes, concat({k8BitHeader4x2, palette_bytes(Palette::menu),
                                     {0x10, 0x11, 0x12, 0x13, 0x00, 0x01, 0x02, 0x03}}));

  Extraction top_down = extract(dir, pix, "go", {"-menupal", "-topdown"});
  Bytes header = k8BitHeader4x2;
  std::fill(header.begin() + 22, header.begin() + 26, 0xFF);
  header[22] = 0xFE;
  EXPECT_EQ(top_down.bytes, concat({header, palette_bytes(Palette::menu), kPixels4x2}));
}

TEST(BmpFile, RowsAreNeverPadded) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 3, 2, "odd", Bytes{1, 2, 3, 4, 5, 6});
  Extraction result = extract(dir, pix, "odd", {"-racepal"});
  ASSERT_EQ(result.bytes.size(), 54u + 1024 + 6);
  EXPECT_EQ(Bytes(result.bytes.begin() + 1078, result.bytes.end()), Bytes({4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(result.bytes[34], 6);  // image size
  EXPECT_EQ(Bytes(result.bytes.begin() + 54, result.bytes.begin() + 1078), palette_bytes(Palette::race));
}

TEST(BmpFile, TrueColourPixelsAreStoredBlueFirst) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixTypeRgb, 2, 1, "rgb", Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
  Extraction rgb = extract(dir, pix, "rgb");
  ASSERT_EQ(rgb.bytes.size(), 60u);
  EXPECT_EQ(rgb.bytes[10], 54);
  EXPECT_EQ(rgb.bytes[28], 24);
  EXPECT_EQ(rgb.bytes[34], 6);
  EXPECT_EQ(Bytes(rgb.bytes.begin() + 54, rgb.bytes.end()), Bytes({0x33, 0x22, 0x11, 0x66, 0x55, 0x44}));

  TempDir dir2;
  pix = start_pix_file();
  add_texture(&pix, kPixTypeXrgb, 1, 1, "xrgb", Bytes{0x11, 0x22, 0x33, 0x44});
  Extraction xrgb = extract(dir2, pix, "xrgb");
  ASSERT_EQ(xrgb.bytes.size(), 58u);
  EXPECT_EQ(xrgb.bytes[28], 32);
  EXPECT_EQ(Bytes(xrgb.bytes.begin() + 54, xrgb.bytes.end()), Bytes({0x44, 0x33, 0x22, 0x11}));

  // No palette in either: the palette option changes nothing.
  Extraction race = extract(dir2, pix, "xrgb", {"-racepal"});
  EXPECT_EQ(race.bytes, xrgb.bytes);
}

TEST(BmpFile, SplatPackTexturesCarryTheChosenPaletteNotTheirOwn) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 2, "go");
  add_header_block(&pix, kPixTypeXrgb, 4, 1, 256, "pal");
  add_pixel_block(&pix, 8, 1, Bytes(8, 0xAB));  // the first pixel block never reaches the file
  add_pixel_block(&pix, 8, 1, kPixels4x2);
  Extraction result = extract(dir, pix, "go", {"-racepal"});
  EXPECT_EQ(result.run.err, "");
  Bytes expected = concat({k8BitHeader4x2, palette_bytes(Palette::race),
                           {0x10, 0x11, 0x12, 0x13, 0x00, 0x01, 0x02, 0x03}});
  EXPECT_EQ(result.bytes, expected);
}

TEST(BmpFile, PalettesDifferOnlyInTheColourTable) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 2, "go", kPixels4x2);
  Bytes menu = extract(dir, pix, "go", {"-menupal"}).bytes;
  Bytes race = extract(dir, pix, "go", {"-racepal"}).bytes;
  ASSERT_EQ(menu.size(), race.size());
  EXPECT_EQ(Bytes(menu.begin(), menu.begin() + 54), Bytes(race.begin(), race.begin() + 54));
  EXPECT_EQ(Bytes(menu.begin() + 1078, menu.end()), Bytes(race.begin() + 1078, race.end()));
  EXPECT_EQ(Bytes(menu.begin() + 54, menu.begin() + 58), Bytes({0xff, 0xff, 0xff, 0}));
  EXPECT_EQ(Bytes(race.begin() + 54, race.begin() + 58), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Bytes(menu.begin() + 1074, menu.begin() + 1078), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Bytes(race.begin() + 1074, race.begin() + 1078), Bytes({0xff, 0xff, 0xff, 0}));
}

TEST(BmpFile, UnknownPixelTypesAreRefusedAfterTheirFolderIsCreated) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_texture(&pix, 4, 2, 2, "gold", Bytes(8, 1));  // 2 bytes per pixel: no BMP form here
  add_texture(&pix, kPixType8Bit, 4, 2, "next", kPixels4x2);
  write_file(dir.path / "src" / "U.PIX", pix.bytes);  // after T.PIX: never reached
  Extraction result = extract(dir, pix, "gold");
  std::string pix_path = dir.sub("src") + sep() + "T.PIX";
  EXPECT_EQ(result.run.status, 0);
  EXPECT_EQ(result.run.err, "ERROR in file " + pix_path + ", texture 1 (gold): Unknown PixType field, is 4");
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>({"T.PIX/"}));
}

// The fixture's first row of SMPTE bars, as red, green, blue.
const char* const kBars[] = {"b4b4b4", "b4b410", "10b4b4", "10b410", "b410b4", "b41010", "1010b4"};

uint32_t load_be(const Bytes& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[at + i];
  return value;
}

// The SMPTE fixtures carry a header kind the extractor refuses (0x3D); put
// an equivalent 0x03 header in front of their own pixel block.
TEST(BmpFile, RealTrueColourFilesShowTheirColourBars) {
  for (const char* name : {"smpte_rgb_888_small.pix", "smpte_rgbx_888_small.pix"}) {
    fs::path fixture = shared_fixture(std::string("brender/") + name);
    if (fixture.empty()) GTEST_SKIP() << "the shared BRender fixtures are not available";
    Bytes original = read_file(fixture);
    ASSERT_EQ(original[19], 0x3D);
    uint8_t pix_type = original[24];
    uint16_t row_bytes = static_cast<uint16_t>(load_be(original, 25, 2));
    uint16_t width = static_cast<uint16_t>(load_be(original, 27, 2));
    uint16_t height = static_cast<uint16_t>(load_be(original, 29, 2));
    // The newer header has fields of its own: find its end by its length word.
    size_t pixel_block = 16 + 8 + load_be(original, 20, 4);
    ASSERT_EQ(original[pixel_block + 3], kPixelBlockKind);

    PixFile pix = start_pix_file();
    add_header_block(&pix, pix_type, row_bytes, width, height, "bars");
    add_bytes(&pix, Bytes(original.begin() + static_cast<ptrdiff_t>(pixel_block), original.end()));
    TempDir dir;
    Extraction result = extract(dir, pix, "bars");
    ASSERT_EQ(result.run.err, "") << name;
    uint32_t bytes_per_pixel = pix_type_bytes(pix_type);
    ASSERT_EQ(result.bytes.size(), 54u + size_t{row_bytes} * height) << name;
    // Bottom-up: the picture's first row is the file's last.
    size_t top_row = 54 + size_t{row_bytes} * (height - 1);
    for (int bar = 0; bar < 7; ++bar) {
      size_t at = top_row + (width * (2 * bar + 1) / 14) * bytes_per_pixel;
      char colour[8];
      std::snprintf(colour, sizeof colour, "%02x%02x%02x", result.bytes[at + 2], result.bytes[at + 1],
                    result.bytes[at]);
      EXPECT_EQ(std::string(colour), kBars[bar]) << name << ", bar " << bar;
    }
  }
}

}  // namespace
