// Colours to the indices of a 256-colour palette, for images that do not
// carry the palette's indices themselves.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "palette/palettes.h"

struct ColourMatch {
  const PaletteTable* palette = nullptr;
  // Every colour of the palette (0xRRGGBB) with its lowest index, sorted by
  // colour.
  std::vector<std::pair<uint32_t, uint8_t>> exact;
};

ColourMatch make_colour_match(const PaletteTable& palette);

// The colour of a palette entry as 0xRRGGBB.
uint32_t palette_colour(const PaletteTable& palette, uint8_t index);

// The index a colour takes: the lowest index of an equal colour, else the
// nearest colour among indices 1 to 255 (never 0, which the game draws as
// transparent), and then *inexact is set. Nearest means the smallest
// 2 dR^2 + 4 dG^2 + 3 dB^2, a cheap weighting that follows how much the eye
// tells each primary apart; of equal distances the lowest index.
uint8_t match_colour(const ColourMatch& match, uint32_t rgb, bool* inexact);
