// The texture sequence as a user sees it: report lines, messages, files and
// which folders the walk goes on with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kFourPixels = {1, 2, 3, 4};

// A file with one 4x1 8-bit texture per name.
PixFile textures(std::initializer_list<const char*> names) {
  PixFile pix = start_pix_file();
  for (const char* name : names) add_texture(&pix, kPixType8Bit, 4, 1, name, kFourPixels);
  return pix;
}

Bytes with(Bytes bytes, std::initializer_list<uint8_t> more) {
  bytes.insert(bytes.end(), more);
  return bytes;
}

RunResult extract(const TempDir& dir, std::vector<std::string> options = {}) {
  std::vector<std::string> arguments = {dir.sub("src"), dir.sub("dst"), "-menupal", "-file"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return run_velmire(arguments);
}

std::string pix_path(const TempDir& dir, const std::string& relative) {
  std::string path = dir.sub("src") + sep() + relative;
  for (char& c : path) c = c == '/' ? kPathSeparator : c;
  return path;
}

TEST(TextureSequence, TheSixtyNineByteFile) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 8, 8, 1, "a");
  // Length word 16: the 8 pixel bytes and 8 bytes that are never read.
  add_pixel_block(&pix, 8, 1, Bytes(8, 7), Bytes(8, 0xEE));
  ASSERT_EQ(pix.bytes.size(), 69u);
  write_file(dir.path / "src" / "T.PIX", pix.bytes);
  RunResult result = extract(dir);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: T.PIX (a) --> T.PIX - 0001. a.bmp\n");
}

TEST(TextureSequence, BytesLeftAfterTheLastBlock) {
  TempDir dir;
  Bytes base = textures({"x"}).bytes;
  write_file(dir.path / "src" / "A0.PIX", base);
  write_file(dir.path / "src" / "A1.PIX", with(base, {0}));
  write_file(dir.path / "src" / "A2.PIX", with(base, {0, 0}));
  write_file(dir.path / "src" / "A3.PIX", with(base, {0, 0, 0x03}));
  write_file(dir.path / "src" / "A4.PIX", with(base, {0, 0, 0, 0x03}));  // a header block cut short
  write_file(dir.path / "src" / "A5.PIX", with(base, {0, 0, 0, 0}));      // ends the whole walk
  RunResult result = extract(dir);
  size_t end = base.size();
  EXPECT_EQ(result.err, "Truncated block in file " + pix_path(dir, "A2.PIX") + ", offset " + std::to_string(end) + "\n" +
                            "Truncated block in file " + pix_path(dir, "A3.PIX") + ", offset " + std::to_string(end) + "\n" +
                            "Truncated block in file " + pix_path(dir, "A4.PIX") + ", offset " + std::to_string(end) + "\n" +
                            "Unknown header byte, must be 00 00 00 03 or 00 00 00 21. File " +
                            pix_path(dir, "A5.PIX") + ", offset " + std::to_string(end) + "\n");
  // Every file's texture was written before its ending was looked at.
  for (const char* name : {"A0", "A1", "A2", "A3", "A4", "A5"})
    EXPECT_NE(result.out.find(std::string("NO: ") + name + ".PIX (x)"), std::string::npos) << name;
  EXPECT_EQ(result.status, 0);
}

TEST(TextureSequence, OnlyTheFourthByteOfTheTypeWordCounts) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_bytes(&pix, Bytes{0xFF, 0xFF, 0xFF, 0x03, 0xDE, 0xAD, 0xBE, 0xEF, kPixType8Bit, 0, 4, 0, 4, 0, 1, 0, 0, 0, 0, 'h', 0});
  add_bytes(&pix, Bytes{0x7F, 0, 0, 0x21, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1, 1, 2, 3, 4});
  add_bytes(&pix, Bytes{0x12, 0x34, 0x56, 0x03});
  add_bytes(&pix, Bytes(4, 0));  // a length word that says nothing true
  add_bytes(&pix, Bytes{kPixType8Bit, 0, 4, 0, 4, 0, 1, 0, 0, 0, 0, 'i', 'j', 0});
  add_bytes(&pix, Bytes{0x12, 0x34, 0x56, 0x21, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1, 5, 6, 7, 8});
  write_file(dir.path / "src" / "T.PIX", pix.bytes);
  RunResult result = extract(dir);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: T.PIX (h) --> T.PIX - 0001. h.bmp\n"
                                      "NO: T.PIX (ij) --> T.PIX - 0002. ij.bmp\n");
  Bytes second = read_file(dir.path / "dst" / "T.PIX - 0002. ij.bmp");
  EXPECT_EQ(Bytes(second.begin() + 1078, second.end()), Bytes({5, 6, 7, 8}));
}

TEST(TextureSequence, SplatPackTexturesTakeTheFirstNameAndTheSecondPixels) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "splat");
  add_header_block(&pix, kPixTypeXrgb, 4, 1, 256, "its palette, whose name only sets the next offset");
  add_pixel_block(&pix, 256, 4, Bytes(1024, 0xAA));
  add_pixel_block(&pix, 4, 1, kFourPixels);
  add_texture(&pix, kPixType8Bit, 4, 1, "after", kFourPixels);
  write_file(dir.path / "src" / "S.PIX", pix.bytes);
  RunResult result = extract(dir);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "SP: S.PIX (splat) --> S.PIX - 0001. splat.bmp\n"
                                      "NO: S.PIX (after) --> S.PIX - 0002. after.bmp\n");
  Bytes bmp = read_file(dir.path / "dst" / "S.PIX - 0001. splat.bmp");
  EXPECT_EQ(Bytes(bmp.begin() + 1078, bmp.end()), kFourPixels);
}

TEST(TextureSequence, UnsupportedSplatPackEndsOnlyItsFolder) {
  TempDir dir;
  PixFile bad = start_pix_file();
  add_header_block(&bad, kPixType8Bit, 4, 4, 1, "bad");
  add_header_block(&bad, kPixTypeRgb, 3, 1, 1, "rgb");
  add_pixel_block(&bad, 1, 3, Bytes(3, 0));
  add_pixel_block(&bad, 4, 1, kFourPixels);
  write_file(dir.path / "src" / "a" / "1.PIX", bad.bytes);
  write_file(dir.path / "src" / "a" / "2.PIX", textures({"skipped"}).bytes);
  write_file(dir.path / "src" / "b" / "3.PIX", textures({"walked"}).bytes);
  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r"});
  EXPECT_EQ(result.err, "Unsupported splat pack texture\n");
  EXPECT_EQ(report_lines(result.out), "NO: 3.PIX (walked) --> 0001. walked.bmp\n");
  // The refused texture's folder was made before it was refused.
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>({"a/", "a/1.PIX/", "b/", "b/3.PIX/",
                                                                   "b/3.PIX/0001. walked.bmp"}));
}

TEST(TextureSequence, OrdersThatNeverCompleteEndTheWholeWalk) {
  struct Case {
    const char* blocks;  // after one texture; h: header, p: pixel block
    const char* report;
  };
  const char* first = "NO: T.PIX (first) --> T.PIX - 0001. first.bmp\n";
  const std::string two = std::string(first) + "NO: T.PIX (h) --> T.PIX - 0002. h.bmp\n";
  for (Case c : {Case{"p", first}, Case{"hhh", first}, Case{"hhph", first}, Case{"hpp", two.c_str()}}) {
    TempDir dir;
    PixFile pix = textures({"first"});
    for (const char* b = c.blocks; *b != '\0'; ++b) {
      if (*b == 'h') add_header_block(&pix, kPixType8Bit, 4, 4, 1, "h");
      else add_pixel_block(&pix, 4, 1, kFourPixels);
    }
    write_file(dir.path / "src" / "a" / "b" / "T.PIX", pix.bytes);
    write_file(dir.path / "src" / "a" / "b" / "U.PIX", textures({"never"}).bytes);
    write_file(dir.path / "src" / "a" / "c" / "V.PIX", textures({"never"}).bytes);
    write_file(dir.path / "src" / "d" / "W.PIX", textures({"never"}).bytes);
    RunResult result = extract(dir, {"-r"});
    EXPECT_EQ(result.status, 0) << c.blocks;
    EXPECT_EQ(result.err, "Unknown texture order, must be a 12 type or 1122 type\n") << c.blocks;
    // The textures completed before stay written and counted.
    EXPECT_EQ(report_lines(result.out), c.report) << c.blocks;
    int written = c.report == first ? 1 : 2;
    EXPECT_EQ(totals_block(result.out), totals_text({.normal = written})) << c.blocks;
  }
}

TEST(TextureSequence, AnUnknownBlockTwoLevelsDownEndsTheWholeWalk) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "go");   // offset 16, extent 22
  add_pixel_block(&pix, 4, 1, kFourPixels, Bytes(20, 0));  // offset 38, length word 24
  add_bytes(&pix, Bytes{0, 0, 0, 0x22, 0, 0, 0, 0});      // offset 78
  write_file(dir.path / "src" / "a" / "b" / "T.PIX", pix.bytes);
  write_file(dir.path / "src" / "a" / "b" / "U.PIX", textures({"never"}).bytes);
  write_file(dir.path / "src" / "a" / "c" / "V.PIX", textures({"never"}).bytes);
  write_file(dir.path / "src" / "Z.PIX", textures({"never"}).bytes);
  RunResult result = extract(dir, {"-r"});
  EXPECT_EQ(result.err, "Unknown header byte, must be 00 00 00 03 or 00 00 00 21. File " +
                            pix_path(dir, "a/b/T.PIX") + ", offset 78\n");
  EXPECT_EQ(report_lines(result.out), "NO: T.PIX (go) --> T.PIX - 0001. go.bmp\n");
  EXPECT_EQ(result.status, 0);
}

TEST(TextureSequence, AnIncompleteTextureNeverCarriesIntoTheNextFile) {
  TempDir dir;
  PixFile pix = textures({"one"});
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "h1");
  add_header_block(&pix, kPixTypeXrgb, 4, 1, 256, "h2");
  add_pixel_block(&pix, 4, 1, kFourPixels);  // ends at "112"
  write_file(dir.path / "src" / "A.PIX", pix.bytes);
  PixFile next = start_pix_file();
  add_pixel_block(&next, 4, 1, kFourPixels);  // would complete "1122" if the order carried over
  write_file(dir.path / "src" / "B.PIX", next.bytes);
  write_file(dir.path / "src" / "C.PIX", textures({"c"}).bytes);
  RunResult result = extract(dir);
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (one) --> A.PIX - 0001. one.bmp\n");
  EXPECT_EQ(result.err, "Unknown texture order, must be a 12 type or 1122 type\n");

  fs::remove(dir.path / "src" / "B.PIX");
  result = extract(dir);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (one) --> A.PIX - 0001. one.bmp\n"
                                      "NO: C.PIX (c) --> C.PIX - 0001. c.bmp\n");
}

TEST(TextureSequence, TruncationAtEveryFieldDropsTheTextureAndTheWalkGoesOn) {
  PixFile whole = start_pix_file();
  add_header_block(&whole, kPixType8Bit, 4, 4, 1, "name");  // offset 16, name at 35..39
  add_pixel_block(&whole, 4, 1, kFourPixels);                 // offset 40, pixels at 56..59
  struct Cut {
    size_t length;
    size_t offset;
  };
  for (Cut cut : {Cut{20, 16}, Cut{34, 16}, Cut{35, 16}, Cut{39, 16}, Cut{44, 40}, Cut{55, 40}, Cut{59, 40}}) {
    TempDir dir;
    write_file(dir.path / "src" / "A.PIX", Bytes(whole.bytes.begin(), whole.bytes.begin() + cut.length));
    write_file(dir.path / "src" / "B.PIX", textures({"b"}).bytes);
    RunResult result = extract(dir);
    EXPECT_EQ(result.err, "Truncated block in file " + pix_path(dir, "A.PIX") + ", offset " +
                              std::to_string(cut.offset) + "\n") << cut.length;
    EXPECT_EQ(report_lines(result.out), "NO: B.PIX (b) --> B.PIX - 0001. b.bmp\n") << cut.length;
  }
}

TEST(TextureSequence, ALengthWordNeverMovesTheScanBackwards) {
  TempDir dir;
  PixFile pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "far");
  // 16 + 0xFFFFFFFF would wrap a 32-bit position back to the file's start.
  add_bytes(&pix, Bytes{0, 0, 0, 0x21, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 4, 0, 0, 0, 1, 1, 2, 3, 4});
  add_texture(&pix, kPixType8Bit, 4, 1, "skipped", kFourPixels);
  write_file(dir.path / "src" / "A.PIX", pix.bytes);
  RunResult result = extract(dir);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (far) --> A.PIX - 0001. far.bmp\n");
}

}  // namespace
