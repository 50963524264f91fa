// Colours to the indices of a 256-colour palette, for images that do not
// carry the palette's indices themselves. Index 0, which the game draws as
// transparent, is never the answer: transparency comes from alpha (see
// texture_build.h), never from a colour.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "palette/palettes.h"

struct ColourMatch {
  PaletteTable palette{};
  // Every colour of indices 1 to 255 (0xRRGGBB) with its lowest index,
  // sorted by colour.
  std::vector<std::pair<uint32_t, uint8_t>> exact;
  // The answers found so far, by a hash of the colour: an image of a few
  // colours costs a few searches, whatever its size. Each entry holds
  // 0x01RRGGBB (the 1 marks it as used), the index, and whether it is exact.
  struct Remembered {
    uint32_t colour = 0;
    uint8_t index = 0;
    bool inexact = false;
  };
  std::vector<Remembered> remembered;
};

// Prepares the matching for `palette`; the memory of an earlier palette is
// reused (and its answers forgotten when the palette differs). False when
// the memory cannot be had.
bool set_colour_match(ColourMatch* match, const PaletteTable& palette);

// The colour of a palette entry as 0xRRGGBB.
uint32_t palette_colour(const PaletteTable& palette, uint8_t index);

// The index a colour takes: the lowest of indices 1 to 255 that holds it,
// else the nearest of them, and then *inexact is set. Nearest means the
// smallest 2 dR^2 + 4 dG^2 + 3 dB^2, a cheap weighting that follows how much
// the eye tells each primary apart; of equal distances the lowest index.
uint8_t match_colour(ColourMatch* match, uint32_t rgb, bool* inexact);
