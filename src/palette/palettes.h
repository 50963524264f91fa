// 256-colour palettes: the game's two, built into the program, and those
// read from the game's palette pixelmaps. A table holds 256 entries of four
// bytes in BMP colour-table order: blue, green, red, 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kPaletteEntries = 256;
inline constexpr size_t kPaletteBytes = 4 * kPaletteEntries;

using PaletteTable = std::array<uint8_t, kPaletteBytes>;

extern const PaletteTable kMenuPalette;  // "-menupal"
extern const PaletteTable kRacePalette;  // "-racepal"

// A table from the pixels of a 1 x 256 true colour pixelmap, as the game
// stores its palettes: X R G B per entry.
PaletteTable palette_from_xrgb(std::span<const uint8_t, kPaletteBytes> entries);
