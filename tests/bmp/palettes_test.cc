#include "bmp/palettes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using Table = std::array<uint8_t, kPaletteBytes>;

struct Colour {
  int blue;
  int green;
  int red;
  int sum() const { return blue + green + red; }
  bool operator==(const Colour&) const = default;
};

Colour entry(const Table& table, int index) {
  const size_t at = static_cast<size_t>(index) * 4;
  return {table[at], table[at + 1], table[at + 2]};
}

// "bb gg rr" in hex, so that failures read like the listed values.
std::string text(const Table& table, int index) {
  const Colour c = entry(table, index);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02x %02x %02x", c.blue, c.green, c.red);
  return buffer;
}

void expect_entries(const Table& table, const std::vector<std::pair<int, std::string>>& expected) {
  for (const auto& [index, colour] : expected) EXPECT_EQ(text(table, index), colour) << "entry " << index;
}

// Expects the sum of the three colour bytes to grow strictly over `first`..`last`.
void expect_growing_sum(const Table& table, int first, int last) {
  for (int i = first + 1; i <= last; ++i)
    EXPECT_LT(entry(table, i - 1).sum(), entry(table, i).sum()) << "entries " << i - 1 << " and " << i;
}

TEST(MenuPalette, ListedEntries) {
  expect_entries(kMenuPalette, {{0, "ff ff ff"},
                                {1, "f7 f7 f7"},
                                {2, "ef ef ef"},
                                {3, "e7 e7 e7"},
                                {15, "00 00 00"},
                                {16, "73 73 7b"},
                                {17, "7b 7b 84"},
                                {45, "00 00 e7"},
                                {224, "6b 42 00"},
                                {254, "4a 42 bd"},
                                {255, "00 00 00"}});
}

TEST(RacePalette, ListedEntries) {
  expect_entries(kRacePalette, {{0, "00 00 00"},
                                {1, "03 03 5d"},
                                {2, "02 02 93"},
                                {3, "01 01 c9"},
                                {4, "00 00 ff"},
                                {5, "40 40 ff"},
                                {6, "7f 7f ff"},
                                {7, "bf bf ff"},
                                {8, "08 11 3d"},
                                {160, "3c 00 00"},
                                {164, "ff 00 00"},
                                {224, "14 14 14"},
                                {239, "da d9 da"},
                                {240, "00 00 01"},
                                {254, "ef ee ee"},
                                {255, "ff ff ff"}});
}

TEST(Palettes, FourthByteOfEveryEntryIsZero) {
  for (const Table* table : {&kMenuPalette, &kRacePalette})
    for (size_t i = 3; i < kPaletteBytes; i += 4) EXPECT_EQ((*table)[i], 0) << "entry " << i / 4;
}

TEST(Palettes, PaletteTableReturnsTheChosenTable) {
  EXPECT_EQ(palette_table(Palette::menu).data(), kMenuPalette.data());
  EXPECT_EQ(palette_table(Palette::race).data(), kRacePalette.data());
}

TEST(MenuPalette, StartsWithADescendingGreyRampAndEndsInBlack) {
  const int ramp[16] = {0xff, 0xf7, 0xef, 0xe7, 0xd6, 0x9c, 0x94, 0x7b, 0x63, 0x5a, 0x52, 0x39, 0x29, 0x18, 0x10, 0x00};
  for (int i = 0; i < 16; ++i) {
    const Colour c = entry(kMenuPalette, i);
    EXPECT_EQ(c.blue, ramp[i]) << "entry " << i;
    EXPECT_EQ(c.green, ramp[i]) << "entry " << i;
    EXPECT_EQ(c.red, ramp[i]) << "entry " << i;
  }
  EXPECT_EQ(text(kMenuPalette, 255), "00 00 00");
}

TEST(MenuPalette, OnlyEntries15And255AreEqual) {
  std::vector<std::pair<int, int>> equal;
  for (int i = 0; i < 256; ++i)
    for (int j = i + 1; j < 256; ++j)
      if (entry(kMenuPalette, i) == entry(kMenuPalette, j)) equal.emplace_back(i, j);
  EXPECT_EQ(equal, (std::vector<std::pair<int, int>>{{15, 255}}));
}

TEST(RacePalette, AllEntriesDifferFromBlackToWhite) {
  std::set<std::string> colours;
  for (int i = 0; i < 256; ++i) colours.insert(text(kRacePalette, i));
  EXPECT_EQ(colours.size(), 256u);
  EXPECT_EQ(text(kRacePalette, 0), "00 00 00");
  EXPECT_EQ(text(kRacePalette, 255), "ff ff ff");
}

TEST(RacePalette, Entries0To223Form28RunsOf8GrowingInBrightness) {
  for (int run = 0; run < 28; ++run) expect_growing_sum(kRacePalette, run * 8, run * 8 + 7);
}

TEST(RacePalette, Entries224To239AreAGreyRamp) {
  EXPECT_EQ(text(kRacePalette, 224), "14 14 14");
  EXPECT_EQ(text(kRacePalette, 239), "da d9 da");
  for (int i = 224; i <= 239; ++i) {
    const Colour c = entry(kRacePalette, i);
    EXPECT_EQ(c.blue, c.red) << "entry " << i;
    EXPECT_TRUE(c.green == c.blue || c.green == c.blue - 1) << "entry " << i;
  }
  expect_growing_sum(kRacePalette, 224, 239);
}

TEST(RacePalette, Entries240To255RiseFromNearBlackToWhite) {
  EXPECT_EQ(text(kRacePalette, 240), "00 00 01");
  EXPECT_EQ(text(kRacePalette, 255), "ff ff ff");
  expect_growing_sum(kRacePalette, 240, 255);
}

// The 1x256 true-colour pixelmap of a game palette file, converted from
// X R G B to blue, green, red, 0. Empty when the file is not laid out so.
Table converted_palette_file(const fs::path& path) {
  const std::vector<uint8_t> bytes = read_file(path);
  auto be32 = [&](size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
  };
  for (size_t at = 16; at + 8 <= bytes.size();) {
    const uint32_t type = be32(at);
    const uint32_t length = be32(at + 4);
    at += 8;
    if (type == 0x21 && length == 8 + kPaletteBytes && at + length <= bytes.size() && be32(at) == 256 &&
        be32(at + 4) == 4) {
      Table table{};
      for (size_t i = 0; i < kPaletteBytes; i += 4) {
        table[i + 0] = bytes[at + 8 + i + 3];
        table[i + 1] = bytes[at + 8 + i + 2];
        table[i + 2] = bytes[at + 8 + i + 1];
      }
      return table;
    }
    at += length;
  }
  return {};
}

TEST(Palettes, MatchTheGameFiles) {
  const fs::path menu_file = shared_fixture("game/DRACEFLC.PAL");
  const fs::path race_file = shared_fixture("game/DRRENDER.PAL");
  if (menu_file.empty() || race_file.empty()) GTEST_SKIP() << "the game's palette files are not in the shared fixtures";

  EXPECT_EQ(converted_palette_file(menu_file), kMenuPalette);

  Table race = converted_palette_file(race_file);
  EXPECT_EQ(text(race, 240), "00 00 00");  // the one entry the built-in table changes
  race[240 * 4 + 2] = 0x01;
  EXPECT_EQ(race, kRacePalette);
}

}  // namespace
