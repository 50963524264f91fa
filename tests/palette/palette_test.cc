// Palettes from files: the game's own palette files give the built-in
// tables. (Files that are no palette: golden cases seeds-*-palette-*; a
// Splat Pack texture's own palette with "-ownpal": fixtures-4 and -5.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palette/palettes.h"
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

}  // namespace
