// Channels narrower than 8 bits are widened by repeating their top bits, so
// that 0 stays 0 and the top value becomes 255; the other bits of the
// pixel's value play no part. Narrowing goes back to the nearest level.
#include "pix/pixel_types.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Widening {
  uint8_t bits;
  uint32_t value;
  uint8_t widened;
};

// 1-bit alpha: 0 or 255; 4 bits: v * 17; 5 bits: v << 3 | v >> 2; 6 bits:
// v << 2 | v >> 4; 8 bits as they are.
constexpr Widening kWidenings[] = {
    {1, 0, 0}, {1, 1, 255}, {4, 0, 0},   {4, 1, 17},   {4, 8, 136},   {4, 11, 187},  {4, 15, 255}, {5, 0, 0},
    {5, 1, 8}, {5, 2, 16},  {5, 16, 132}, {5, 22, 181}, {5, 31, 255}, {6, 0, 0},     {6, 1, 4},    {6, 32, 130},
    {6, 45, 182}, {6, 63, 255}, {8, 0, 0}, {8, 16, 16}, {8, 180, 180}, {8, 255, 255},
};

TEST(PixelTypes, WidenChannelRepeatsTheTopBits) {
  for (const Widening& w : kWidenings) {
    for (uint8_t shift : {0, 3, 11}) {
      const uint32_t mask = ((1u << w.bits) - 1) << shift;
      // The channel's own bits among bits that are all set, and all clear.
      EXPECT_EQ(widen_channel(~mask | w.value << shift, {shift, w.bits}), w.widened)
          << int{w.bits} << " bits, value " << w.value << " at " << int{shift};
      EXPECT_EQ(widen_channel(w.value << shift, {shift, w.bits}), w.widened);
    }
  }
}

// At every width a type uses: narrow(widen(n)) is n, and widen(narrow(v))
// is a level nearest to v.
TEST(PixelTypes, NarrowChannelUndoesWideningToTheNearestLevel) {
  for (uint8_t bits : {1, 4, 5, 6, 8}) {
    const ChannelBits channel{3, bits};
    const uint32_t top = (1u << bits) - 1;
    for (uint32_t n = 0; n <= top; ++n)
      EXPECT_EQ(narrow_channel(widen_channel(n << 3, channel), channel), n << 3) << int{bits} << " bits, " << n;
    for (int v = 0; v < 256; ++v) {
      const int distance = std::abs(widen_channel(narrow_channel(static_cast<uint8_t>(v), channel), channel) - v);
      for (uint32_t n = 0; n <= top; ++n)
        EXPECT_LE(distance, std::abs(widen_channel(n << 3, channel) - v)) << int{bits} << " bits, " << v;
    }
  }
}

}  // namespace
