// velmire-pack against velmire: a tree extracted with -c2, as BMP or PNG
// files, and packed back into a copy of its files gives those files again,
// their header blocks' length words made true, whatever the pixel types,
// header kinds, mip levels, TWT archives, row order and palettes. So the
// BMP and the PNG file of each texture hold its picture whole.
#include "pack/pack_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pix_writer.h"
#include "seeds.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The samples, and textures the samples lack: rows with bytes after their
// pixels, a 3-byte texture of odd width, 4-byte pixels whose X byte is not
// 0, names with separators, two without a name, length words that lie,
// 16-bit pixels whose unused top bit is set; in c2/ the fuzzer's seeds for -c2
// of every pixel type, alpha, mip levels and TWT archives.
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
    // A PIX seed's last byte is the fuzzer's, past its blocks.
    const bool pix = seed.extension == ".pix";
    write_file(src / "c2" / (seed.name + seed.extension), std::span(seed.bytes).first(seed.bytes.size() - pix));
  }
  return src;
}

uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// Every header block of a PIX file with its length word true: the bytes
// after it, to its name's zero. Walked here, apart from the program's code.
void make_lengths_true(std::span<uint8_t> pix) {
  const Bytes signature = start_pix_file().bytes;
  if (pix.size() < 16 || !std::equal(signature.begin(), signature.end(), pix.begin())) return;
  for (size_t at = 16; at + 8 <= pix.size();) {
    const uint8_t kind = pix[at + 3];
    if (kind == kPixelBlock) {
      at += 16 + size_t{be32(&pix[at + 4])};
      continue;
    }
    if ((kind != kGameHeader && kind != kNewerHeader) || at + 21 > pix.size()) break;
    const auto name = pix.begin() + static_cast<ptrdiff_t>(at + (kind == kGameHeader ? 19 : 21));
    const size_t end = static_cast<size_t>(std::find(name, pix.end(), 0) - pix.begin()) + 1;
    for (int i = 0; i < 4; ++i) pix[at + 4 + i] = static_cast<uint8_t>((end - at - 8) >> (24 - 8 * i));
    at = end;
  }
}

// What packing gives back: the file, or each PIX file in an archive, with
// true length words.
Bytes expected_of(Bytes file, const std::string& name) {
  if (!name.ends_with(".TWT")) {
    make_lengths_true(file);
    return file;
  }
  const uint32_t count = le32(&file[4]);
  for (size_t i = 0, at = 8 + 56 * size_t{count}; i < count; ++i) {
    const uint32_t length = le32(&file[8 + 56 * i]);
    make_lengths_true(std::span(file).subspan(at, length));
    at = (at + length + 3) / 4 * 4;
  }
  return file;
}

TEST(Pack, ExtractedTreesPackBackToTheSameFiles) {
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
      EXPECT_EQ(packed.status, 0);
      EXPECT_EQ(packed.err, "");
      ASSERT_EQ(list_tree(dir.path / "copy"), list_tree(src));
      for (const std::string& name : list_tree(src)) {
        if (name.back() == '/') continue;
        EXPECT_EQ(read_file(dir.path / "copy" / name), expected_of(read_file(src / name), name)) << name;
      }
    }
  }
  if (trees.size() < 3) GTEST_SKIP() << "the shared fixtures are not available: only the generated tree was packed";
}

}  // namespace
