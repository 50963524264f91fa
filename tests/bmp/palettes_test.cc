#include "bmp/palettes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using Table = std::array<uint8_t, kPaletteBytes>;

// Entry i as "bb gg rr" in hex, so that failures read like the listed values.
std::string text(std::span<const uint8_t> table, int i) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02x %02x %02x", table[4 * i], table[4 * i + 1], table[4 * i + 2]);
  return buffer;
}

int sum(const Table& table, int i) { return table[4 * i] + table[4 * i + 1] + table[4 * i + 2]; }

void expect_entries(const Table& table, const std::vector<std::pair<int, std::string>>& expected) {
  for (const auto& [index, colour] : expected) EXPECT_EQ(text(table, index), colour) << "entry " << index;
}

void expect_growing_sum(const Table& table, int first, int last) {
  for (int i = first + 1; i <= last; ++i) EXPECT_LT(sum(table, i - 1), sum(table, i)) << "entries " << i - 1 << ", " << i;
}

TEST(Palettes, FourthBytesAreZeroAndTheChoiceNamesTheTable) {
  for (const Table* table : {&kMenuPalette, &kRacePalette})
    for (size_t i = 3; i < kPaletteBytes; i += 4) EXPECT_EQ((*table)[i], 0) << "entry " << i / 4;
  EXPECT_EQ(palette_table(Palette::menu).data(), kMenuPalette.data());
  EXPECT_EQ(palette_table(Palette::race).data(), kRacePalette.data());
}

TEST(MenuPalette, ListedEntriesGreyRampAndOnlyOneEqualPair) {
  expect_entries(kMenuPalette, {{0, "ff ff ff"}, {1, "f7 f7 f7"}, {2, "ef ef ef"}, {3, "e7 e7 e7"},
                                {15, "00 00 00"}, {16, "73 73 7b"}, {17, "7b 7b 84"}, {45, "00 00 e7"},
                                {224, "6b 42 00"}, {254, "4a 42 bd"}, {255, "00 00 00"}});
  const char* ramp[16] = {"ff", "f7", "ef", "e7", "d6", "9c", "94", "7b", "63", "5a", "52", "39", "29", "18", "10", "00"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(text(kMenuPalette, i), std::string(ramp[i]) + " " + ramp[i] + " " + ramp[i]);
  std::vector<std::pair<int, int>> equal;
  for (int i = 0; i < 256; ++i)
    for (int j = i + 1; j < 256; ++j)
      if (text(kMenuPalette, i) == text(kMenuPalette, j)) equal.emplace_back(i, j);
  EXPECT_EQ(equal, (std::vector<std::pair<int, int>>{{15, 255}}));
}

TEST(RacePalette, ListedEntriesRampsAndAllEntriesDistinct) {
  expect_entries(kRacePalette, {{0, "00 00 00"}, {1, "03 03 5d"}, {2, "02 02 93"}, {3, "01 01 c9"},
                                {4, "00 00 ff"}, {5, "40 40 ff"}, {6, "7f 7f ff"}, {7, "bf bf ff"},
                                {8, "08 11 3d"}, {160, "3c 00 00"}, {164, "ff 00 00"}, {224, "14 14 14"},
                                {239, "da d9 da"}, {240, "00 00 01"}, {254, "ef ee ee"}, {255, "ff ff ff"}});
  std::set<std::string> colours;
  for (int i = 0; i < 256; ++i) colours.insert(text(kRacePalette, i));
  EXPECT_EQ(colours.size(), 256u);
  // 28 runs of 8, each from dark towards light; then two 16-step ramps.
  for (int run = 0; run < 28; ++run) expect_growing_sum(kRacePalette, run * 8, run * 8 + 7);
  expect_growing_sum(kRacePalette, 224, 239);
  expect_growing_sum(kRacePalette, 240, 255);
  for (int i = 224; i <= 239; ++i) {  // greys: equal bytes, or green one lower
    int blue = kRacePalette[4 * i], green = kRacePalette[4 * i + 1], red = kRacePalette[4 * i + 2];
    EXPECT_TRUE(blue == red && (green == blue || green == blue - 1)) << "entry " << i;
  }
}

// The game's palette files are PIX files holding one 1x256 pixelmap of
// X R G B entries. Extracted top-down, the BMP's pixel bytes are the
// entries as B G R X: exactly the built-in colour tables.
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
  EXPECT_EQ(text(race, 240), "00 00 00");  // the one entry the built-in table changes, so that all differ
  race[240 * 4 + 2] = 0x01;
  EXPECT_EQ(race, kRacePalette);
}

}  // namespace
