// The built-in palettes against the game's own palette files: the race
// palette file differs from the built-in race table in entry 240 only
// (black in the file, 00 00 01 built in); the menu palette file not at all.
// (Files that are no palette: golden cases seeds-*-palette-*; a Splat Pack
// texture's own palette with "-ownpal": fixtures-4 and -5.)
#include <gtest/gtest.h>

#include "palette/palette_file.h"
#include "palette/palettes.h"
#include "test_support.h"

namespace {

TEST(PaletteFiles, TheGamesOwnFilesGiveTheBuiltInTables) {
  fs::path game = shared_fixture("game");
  if (game.empty()) GTEST_SKIP() << "the game's palette files are not in the shared fixtures";
  PaletteTable menu, race;
  ASSERT_EQ(load_palette_file((game / "DRACEFLC.PAL").string().c_str(), &menu, stderr), 0);
  ASSERT_EQ(load_palette_file((game / "DRRENDER.PAL").string().c_str(), &race, stderr), 0);
  EXPECT_EQ(menu, kMenuPalette);
  EXPECT_EQ(race[4 * 240 + 2], 0);
  race[4 * 240 + 2] = 1;  // blue, green, red, 0
  EXPECT_EQ(race, kRacePalette);
}

}  // namespace
