#include "bmp/palettes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using Table = std::array<uint8_t, kPaletteBytes>;

// The game's palette files are PIX files holding one 1x256 pixelmap of
// X R G B entries. Extracted top-down, the BMP's pixel bytes are the entries
// as B G R X: exactly the built-in colour tables, but for the one entry the
// race table changes so that all its entries differ.
TEST(Palettes, MatchTheGamesOwnPaletteFiles) {
  const fs::path menu_file = shared_fixture("game/DRACEFLC.PAL");
  const fs::path race_file = shared_fixture("game/DRRENDER.PAL");
  if (menu_file.empty() || race_file.empty()) GTEST_SKIP() << "the game's palette files are not in the shared fixtures";
  TempDir dir;
  write_file(dir.path / "src" / "DRACEFLC.PAL", read_file(menu_file));
  write_file(dir.path / "src" / "DRRENDER.PAL", read_file(race_file));
  RunResult result = run_velmire({dir.sub("src"), dir.sub("out"), "-menupal", "-topdown", "-file", "-noenum",
                                  "-nopixpackname", "-extoriginal"});
  ASSERT_EQ(result.err, "");
  auto pixels = [&](const char* name) {
    std::vector<uint8_t> bmp = read_file(dir.path / "out" / name);
    Table table{};
    if (bmp.size() == 54 + kPaletteBytes) std::copy(bmp.begin() + 54, bmp.end(), table.begin());
    return table;
  };
  EXPECT_EQ(pixels("DRACEFLC.PAL"), kMenuPalette);
  Table race = pixels("DRRENDER.PAL");
  EXPECT_EQ(race[240 * 4 + 2], 0);
  race[240 * 4 + 2] = 0x01;
  EXPECT_EQ(race, kRacePalette);
}

}  // namespace
