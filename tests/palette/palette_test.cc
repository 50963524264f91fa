// Palettes from files: the game's own palette files give the built-in
// tables, and a Splat Pack texture's own palette gives its colours with
// "-ownpal". (Files that are no palette: golden cases seeds-*-palette-*.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palette/palettes.h"
#include "pix/pix_blocks.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every file of a run over the samples, by path.
std::vector<std::pair<std::string, Bytes>> extract_samples(const std::string& palette) {
  TempDir dir;
  RunResult result = run_velmire({source_tree_path("samples").string(), dir.sub("out"), palette, "-r"});
  EXPECT_EQ(result.err, "") << palette;
  std::vector<std::pair<std::string, Bytes>> files;
  for (const std::string& entry : list_tree(dir.path / "out"))
    if (entry.back() != '/') files.emplace_back(entry, read_file(dir.path / "out" / entry));
  return files;
}

// The race palette file differs from the built-in race table in entry 240
// only (black in the file, 00 00 01 built in); the menu palette file not at all.
TEST(PaletteFiles, TheGamesOwnFilesGiveTheBuiltInTables) {
  fs::path game = shared_fixture("game");
  if (game.empty()) GTEST_SKIP() << "the game's palette files are not in the shared fixtures";
  EXPECT_EQ(extract_samples((game / "DRACEFLC.PAL").string()), extract_samples("-menupal"));
  auto from_file = extract_samples((game / "DRRENDER.PAL").string());
  auto built_in = extract_samples("-racepal");
  ASSERT_EQ(from_file.size(), built_in.size());
  int eight_bit = 0;
  for (size_t i = 0; i < built_in.size(); ++i) {
    Bytes& bmp = from_file[i].second;
    if (bmp[28] == 8) {  // the bit count: the colour table follows the header
      EXPECT_EQ(Bytes(bmp.begin() + 54 + 240 * 4, bmp.begin() + 54 + 241 * 4), Bytes({0, 0, 0, 0}));
      bmp[54 + 240 * 4 + 2] = 0x01;
      ++eight_bit;
    }
    EXPECT_EQ(from_file[i], built_in[i]);
  }
  EXPECT_EQ(eight_bit, 5);
}

// The SDK's "1122" files, with "-ownpal": the colour table of the BMP file
// and the PLTE of the PNG file are the X R G B entries that follow the
// second header block, decoded here from the file's bytes.
TEST(PaletteFiles, SplatPackTexturesInTheirOwnColours) {
  for (const char* name : {"tile.pix", "tile01.pix", "ast.pix"}) {
    fs::path fixture = shared_fixture(std::string("brender/") + name);
    if (fixture.empty()) GTEST_SKIP() << "the shared BRender fixtures are not available";
    Bytes pix = read_file(fixture);
    size_t second_header = 16 + 20 + std::string(reinterpret_cast<const char*>(&pix[16 + 19])).size();
    size_t palette = second_header + 20 + std::string(reinterpret_cast<const char*>(&pix[second_header + 19])).size() + 16;
    ASSERT_EQ(pix[second_header + 8], kPixTypeXrgb) << name;
    Bytes bgr0, rgb;
    for (size_t i = palette; i < palette + 1024; i += 4) {
      bgr0.insert(bgr0.end(), {pix[i + 3], pix[i + 2], pix[i + 1], 0});
      rgb.insert(rgb.end(), {pix[i + 1], pix[i + 2], pix[i + 3]});
    }
    TempDir dir;
    write_file(dir.path / "src" / name, pix);
    for (const char* format : {"-extaddbmp", "-png"}) {
      RunResult result = run_velmire({dir.sub("src"), dir.sub(format), "-racepal", "-ownpal", "-file", "-noenum",
                                      "-nopixpackname", "-extoriginal", format});
      ASSERT_EQ(result.err, "");
      fs::path written = dir.path / format / fs::directory_iterator(dir.path / format)->path().filename();
      Bytes image = read_file(written);
      if (std::string(format) == "-png") {
        // PLTE: the chunk's 768 bytes after its length and type.
        size_t plte = std::string(image.begin(), image.end()).find("PLTE") + 4;
        EXPECT_EQ(Bytes(image.begin() + plte, image.begin() + plte + 768), rgb) << name;
      } else {
        EXPECT_EQ(Bytes(image.begin() + 54, image.begin() + 1078), bgr0) << name;
      }
    }
  }
}

}  // namespace
