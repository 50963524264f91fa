#include "pack/colour_match.h"

#include <algorithm>
#include <new>

namespace {

// The answers remembered, indexed by the top bits of a multiplicative hash.
constexpr int kRememberedBits = 14;
constexpr size_t kRememberedColours = size_t{1} << kRememberedBits;

uint32_t nearest_index(const PaletteTable& palette, uint32_t rgb) {
  auto channel = [](uint32_t colour, int shift) { return static_cast<int32_t>((colour >> shift) & 0xFF); };
  uint32_t nearest = 1;
  int64_t best = INT64_MAX;
  for (uint32_t index = 1; index < kPaletteEntries; ++index) {
    uint32_t entry = palette_colour(palette, static_cast<uint8_t>(index));
    int64_t dr = channel(rgb, 16) - channel(entry, 16), dg = channel(rgb, 8) - channel(entry, 8),
            db = channel(rgb, 0) - channel(entry, 0);
    int64_t distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (distance < best) best = distance, nearest = index;
  }
  return nearest;
}

}  // namespace

uint32_t palette_colour(const PaletteTable& palette, uint8_t index) {
  const uint8_t* entry = palette.data() + 4 * index;  // B G R 0
  return uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0];
}

bool set_colour_match(ColourMatch* match, const PaletteTable& palette) {
  try {
    if (match->remembered.empty()) match->remembered.resize(kRememberedColours);
    if (!match->exact.empty() && match->palette == palette) return true;
    match->palette = palette;
    match->exact.clear();
    for (uint32_t i = 1; i < kPaletteEntries; ++i)
      match->exact.emplace_back(palette_colour(palette, static_cast<uint8_t>(i)), static_cast<uint8_t>(i));
    // Stable, so that of equal colours the lowest index comes first.
    std::stable_sort(match->exact.begin(), match->exact.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::fill(match->remembered.begin(), match->remembered.end(), ColourMatch::Remembered{});
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

uint8_t match_colour(ColourMatch* match, uint32_t rgb, bool* inexact) {
  ColourMatch::Remembered& slot = match->remembered[(rgb * 0x9E3779B1u) >> (32 - kRememberedBits)];
  if (slot.colour != (rgb | 0x01000000u)) {
    auto found = std::lower_bound(match->exact.begin(), match->exact.end(), rgb,
                                  [](const auto& entry, uint32_t colour) { return entry.first < colour; });
    slot.colour = rgb | 0x01000000u;
    slot.inexact = found == match->exact.end() || found->first != rgb;
    slot.index = static_cast<uint8_t>(slot.inexact ? nearest_index(match->palette, rgb) : found->second);
  }
  if (slot.inexact) *inexact = true;
  return slot.index;
}
