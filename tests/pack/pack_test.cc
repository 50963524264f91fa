// velmire-pack against velmire: a tree extracted and packed back gives the
// same PIX files, edited images keep every index they can, and images that
// do not make a PIX file leave it as it was.
#include "pack/pack_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

RunResult run_pack(const std::vector<std::string>& arguments) {
  return run_program(::run_pack, "velmire-pack", arguments);
}

// The samples, and textures the samples lack: rows with bytes after their
// pixels, a 3-byte texture of odd width, 4-byte pixels whose X byte is not
// 0, names with separators, two without a name. ORIGIN.PIX has textures
// whose origin is not their centre.
constexpr size_t kOriginX = 16 + 15;  // in ORIGIN.PIX, big-endian

fs::path make_tree(const TempDir& dir) {
  fs::path src = dir.path / "src";
  fs::copy(source_tree_path("samples"), src, fs::copy_options::recursive);
  PixFile edges = start_pix_file();
  add_header_block(&edges, kPixType8Bit, 6, 4, 2, "padded");
  add_pixel_block(&edges, 12, 1, Bytes{1, 2, 3, 4, 99, 98, 5, 6, 7, 8, 97, 96});
  add_texture(&edges, kPixTypeRgb, 3, 2, "a/b\\odd", Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
  add_texture(&edges, kPixTypeXrgb, 2, 1, "", Bytes{0x40, 1, 2, 3, 0x41, 4, 5, 6});
  add_texture(&edges, kPixType8Bit, 4, 1, "", Bytes{9, 9, 9, 9});
  write_file(src / "cars" / "EDGES.PIX", edges.bytes);
  PixFile origin = start_pix_file();
  add_texture(&origin, kPixType8Bit, 4, 2, "corner", Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  origin.bytes[kOriginX + 1] = 0;  // x 0, not 2
  write_file(src / "ORIGIN.PIX", origin.bytes);
  return src;
}

TEST(Pack, ExtractedTreesPackBackToTheSameFiles) {
  for (const char* format : {"-extaddbmp", "-png"}) {
    SCOPED_TRACE(format);
    TempDir dir;
    fs::path src = make_tree(dir);
    ASSERT_EQ(run_velmire({src.string(), dir.sub("images"), "-racepal", "-r", format}).err, "");
    fs::copy(src, dir.path / "copy", fs::copy_options::recursive);
    fs::create_directory(dir.path / "empty");
    RunResult into_copy = run_pack({dir.sub("images"), dir.sub("copy"), "-racepal", "-r"});
    RunResult into_empty = run_pack({dir.sub("images"), dir.sub("empty"), "-racepal", "-r"});
    EXPECT_EQ(into_copy.err + into_empty.err, "");
    EXPECT_EQ(list_tree(dir.path / "copy"), list_tree(src));
    for (const std::string& name : list_tree(src)) {
      if (name.back() == '/') continue;
      EXPECT_EQ(read_file(dir.path / "copy" / name), read_file(src / name)) << name;
      // Into an empty folder, what no image carries cannot come back: a
      // Splat Pack texture's palette (SPLAT.PIX), and with PNG files the
      // bytes after the pixels of a row and the X byte (EDGES.PIX, and
      // COLOURS.PIX's 4-byte texture, which an RGB file makes 3-byte).
      // Without the file being replaced, the origin is the centre.
      Bytes expected = read_file(src / name);
      if (name == "ORIGIN.PIX") expected[kOriginX + 1] = 2;
      bool carried = name != "cars/SPLAT.PIX" && name != "cars/EDGES.PIX" &&
                     (name != "cars/COLOURS.PIX" || std::string(format) != "-png");
      if (carried) {
        EXPECT_EQ(read_file(dir.path / "empty" / name), expected) << name;
      }
    }
  }
}

}  // namespace
