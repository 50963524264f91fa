#include "pack/colour_match.h"

#include <algorithm>

uint32_t palette_colour(const PaletteTable& palette, uint8_t index) {
  const uint8_t* entry = palette.data() + 4 * index;  // B G R 0
  return uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0];
}

ColourMatch make_colour_match(const PaletteTable& palette) {
  ColourMatch match{&palette, {}};
  for (size_t i = 0; i < kPaletteEntries; ++i) match.exact.emplace_back(palette_colour(palette, static_cast<uint8_t>(i)), i);
  // Stable, so that of equal colours the lowest index comes first.
  std::stable_sort(match.exact.begin(), match.exact.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return match;
}

uint8_t match_colour(const ColourMatch& match, uint32_t rgb, bool* inexact) {
  auto found = std::lower_bound(match.exact.begin(), match.exact.end(), rgb,
                                [](const auto& entry, uint32_t colour) { return entry.first < colour; });
  if (found != match.exact.end() && found->first == rgb) return found->second;
  *inexact = true;
  auto channel = [](uint32_t colour, int shift) { return static_cast<int64_t>((colour >> shift) & 0xFF); };
  uint8_t nearest = 1;
  int64_t best = INT64_MAX;
  for (int index = 1; index < 256; ++index) {
    uint32_t entry = palette_colour(*match.palette, static_cast<uint8_t>(index));
    int64_t dr = channel(rgb, 16) - channel(entry, 16), dg = channel(rgb, 8) - channel(entry, 8),
            db = channel(rgb, 0) - channel(entry, 0);
    int64_t distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (distance < best) best = distance, nearest = static_cast<uint8_t>(index);
  }
  return nearest;
}
