// velmire-pack against velmire: a tree extracted with -c2, as BMP or PNG
// files, and packed back into a copy of its files leaves every file as it
// was and writes none, whatever the pixel types, header kinds, mip levels,
// TWT archives, row order and palettes, and whatever the header blocks'
// length words and the archive tables' name bytes say. So the BMP and the
// PNG file of each texture hold its picture whole, and a texture packed
// from it is the texture it was.
#include "pack/pack_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/old_pix.h"
#include "pix_writer.h"
#include "seeds.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The samples, and textures the samples lack: rows with bytes after their
// pixels, a 3-byte texture of odd width, 4-byte pixels whose X byte is not
// 0, names with separators, two without a name, length words that lie,
// 16-bit pixels whose unused top bit is set; in c2/ the fuzzer's seeds for -c2
// of every pixel type, alpha, mip levels and TWT archives (and a byte past
// the last block of each PIX file), and a small Carmageddon 2.
fs::path make_tree(const TempDir& dir) {
  fs::path src = dir.path / "src";
  fs::copy(source_tree_path("samples"), src, fs::copy_options::recursive);
  Bytes splat = read_file(src / "cars" / "SPLAT.PIX");
  splat[16 + 30 + 7] = 99;  // the palette's header block
  write_file(src / "cars" / "SPLAT.PIX", splat);
  PixFile edges = start_pix_file();
  add_header_block(&edges, kType8Bit, 6, 4, 2, "padded");
  add_pixel_block(&edges, 12, 1, Bytes{1, 2, 3, 4, 99, 98, 5, 6, 7, 8, 97, 96});
  add_texture(&edges, kTypeRgb, 3, 2, "a/b\\odd", Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
  add_texture(&edges, kTypeXrgb, 2, 1, "", Bytes{0x40, 1, 2, 3, 0x41, 4, 5, 6});
  add_texture(&edges, kType8Bit, 4, 1, "", Bytes{9, 9, 9, 9});
  edges.bytes[16 + 7] = 30;
  write_file(src / "cars" / "EDGES.PIX", edges.bytes);
  PixFile x555 = start_pix_file();
  add_texture(&x555, 17, 2, 1, "x set", Bytes{0x80, 0x01, 0xFF, 0xFF}, kNewerHeader);
  write_file(src / "c2" / "X555.PIX", x555.bytes);
  for (const Seed& seed : make_seeds()) {
    if (seed.name.rfind("c2-", 0) != 0 || (!seed.name.ends_with("-4") && seed.name != "c2-twt-padded")) continue;
    write_file(src / "c2" / (seed.name + seed.extension), seed.bytes);
  }
  write_c2_game(src / "c2" / "DATA");
  return src;
}

TEST(Pack, ExtractedTreesPackBackIntoTheSameFilesWritingNone) {
  TempDir dir;
  std::vector<fs::path> trees = {make_tree(dir)};
  for (const char* fixtures : {"brender", "brender13"})
    if (fs::path path = shared_fixture(fixtures); !path.empty()) trees.push_back(path);
  for (const fs::path& src : trees) {
    for (const std::vector<std::string>& options : {std::vector<std::string>{"-topdown", "-ownpal"}, {"-png", "-transparent", "-ownpal"}}) {
      SCOPED_TRACE(src.string() + " " + options[0]);
      fs::remove_all(dir.path / "images");
      fs::remove_all(dir.path / "copy");
      std::vector<std::string> extraction = {src.string(), dir.sub("images"), "-racepal", "-r", "-c2"};
      extraction.insert(extraction.end(), options.begin(), options.end());
      run_velmire(extraction);  // notes on palettes of fewer than 256 colours
      fs::copy(src, dir.path / "copy", fs::copy_options::recursive);
      for (const auto& entry : fs::recursive_directory_iterator(dir.path / "copy"))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
      const RunResult packed = run_program(run_pack, "velmire-pack", {dir.sub("images"), dir.sub("copy"), "-racepal", "-r"});
      EXPECT_EQ(std::pair(packed.status, packed.err), std::pair(0, std::string()));
      EXPECT_NE(packed.out.find("PIX files written:                           0\n"), std::string::npos) << packed.out;
      ASSERT_EQ(list_tree(dir.path / "copy"), list_tree(src));
      for (const std::string& name : list_tree(src)) {
        if (name.back() == '/') continue;
        EXPECT_EQ(read_file(dir.path / "copy" / name), read_file(src / name)) << name;
      }
    }
  }
  if (trees.size() < 3) GTEST_SKIP() << "the shared fixtures are not available: only the generated tree was packed";
}

// A texture is another when any field of its header but the length word,
// or any pixel byte, differs; not for what its pixel block covers after
// the pixels. Offsets: the length word, the type, row bytes, width,
// height, origin x and y, mip_offset, the name, a pixel, the end chunk.
TEST(Pack, ATextureDiffersInAnyFieldButTheLengthWord) {
  PixFile pix = start_pix_file();
  add_texture(&pix, 5, 2, 1, "ab", Bytes{1, 2, 3, 4}, kNewerHeader);
  const std::pair<size_t, bool> cases[] = {{23, true},  {24, false}, {26, false}, {28, false}, {30, false}, {32, false},
                                           {34, false}, {36, false}, {38, false}, {59, false}, {63, true}};
  for (const auto& [at, same] : cases) {
    Bytes changed = pix.bytes;
    changed[at] ^= 1;
    EXPECT_EQ(same_textures(pix.bytes, changed), same) << "byte " << at;
  }
}

}  // namespace
