// The two built-in 256-colour palettes of the game. Each entry is four bytes
// in BMP colour-table order: blue, green, red, 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/run_context.h"

inline constexpr size_t kPaletteBytes = 1024;

extern const std::array<uint8_t, kPaletteBytes> kMenuPalette;  // "-menupal"
extern const std::array<uint8_t, kPaletteBytes> kRacePalette;  // "-racepal"

std::span<const uint8_t, kPaletteBytes> palette_table(Palette palette);
