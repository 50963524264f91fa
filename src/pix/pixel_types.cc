#include "pix/pixel_types.h"

#include "pix/pix_blocks.h"
#include "pix/texture.h"

namespace {

// {shift, bits} of red, green, blue and alpha in the big-endian value of a
// pixel's bytes.
constexpr PixelType kPixelTypes[] = {
    {kPixType8Bit, 1, true, {}, {}, {}, {}, "NO", "indexed", false},
    {kPixTypeRgb, 3, false, {16, 8}, {8, 8}, {0, 8}, {}, "3B", "888", false},     // R G B
    {kPixTypeXrgb, 4, false, {16, 8}, {8, 8}, {0, 8}, {}, "4B", "888", false},    // X R G B
    {4, 2, false, {10, 5}, {5, 5}, {0, 5}, {}, "2B", "555", true},                // x R5 G5 B5
    {5, 2, false, {11, 5}, {5, 6}, {0, 5}, {}, "2B", "565", true},                // R5 G6 B5
    {17, 2, false, {0, 5}, {5, 5}, {10, 5}, {}, "2B", "555", true},               // x B5 G5 R5
    {34, 2, false, {0, 5}, {5, 6}, {11, 5}, {}, "2B", "565", true},               // B5 G6 R5
    {18, 2, false, {8, 4}, {4, 4}, {0, 4}, {12, 4}, "2B", "4444", true},          // A4 R4 G4 B4
    {32, 2, false, {8, 4}, {4, 4}, {0, 4}, {12, 4}, "2B", "4444", true},          // A4 R4 G4 B4
    {31, 2, false, {10, 5}, {5, 5}, {0, 5}, {15, 1}, "2B", "1555", true},         // A1 R5 G5 B5
    {8, 4, false, {16, 8}, {8, 8}, {0, 8}, {24, 8}, "4B", "8888", true},          // A R G B
    {37, 4, false, {24, 8}, {16, 8}, {8, 8}, {0, 8}, "4B", "8888", true},         // R G B A
};

}  // namespace

const PixelType* find_pixel_type(uint8_t type) {
  for (const PixelType& entry : kPixelTypes)
    if (entry.type == type) return &entry;
  return nullptr;
}

uint8_t widen_channel(uint32_t pixel_value, ChannelBits channel) {
  if (channel.bits == 0) return 0;
  uint32_t value = (pixel_value >> channel.shift) & ((1u << channel.bits) - 1);
  // Copies of the value one after the other, of which the top 8 bits count.
  uint32_t widened = 0;
  int filled = 0;
  for (; filled < 8; filled += channel.bits) widened = widened << channel.bits | value;
  return static_cast<uint8_t>(widened >> (filled - 8));
}

uint32_t narrow_channel(uint8_t value, ChannelBits channel) {
  const uint32_t top = (1u << channel.bits) - 1;
  // Rounds half up; value x top / 255 never ends in exactly one half.
  return (value * top + 127) / 255 << channel.shift;
}

namespace {

uint32_t load_value(const uint8_t* stored, uint32_t bytes) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < bytes; ++i) value = value << 8 | stored[i];
  return value;
}

}  // namespace

void decode_pixels(const PixelType& type, const uint8_t* stored, uint64_t count, std::span<const uint8_t> order,
                   uint8_t* out) {
  for (uint64_t p = 0; p < count; ++p, stored += type.element_bytes) {
    const uint32_t value = load_value(stored, type.element_bytes);
    const uint8_t channels[4] = {widen_channel(value, type.red), widen_channel(value, type.green),
                                 widen_channel(value, type.blue),
                                 has_alpha(type) ? widen_channel(value, type.alpha) : uint8_t{255}};
    for (uint8_t channel : order) *out++ = channels[channel];
  }
}

void encode_pixels(const PixelType& type, const uint8_t* channels, uint64_t count, std::span<const uint8_t> order,
                   const uint8_t* kept, uint8_t* stored) {
  const ChannelBits bits[4] = {type.red, type.green, type.blue, type.alpha};
  uint64_t held = 0;
  for (const ChannelBits& channel : bits) held |= ((uint64_t{1} << channel.bits) - 1) << channel.shift;
  const auto unheld = static_cast<uint32_t>(~held);
  for (uint64_t p = 0; p < count; ++p, stored += type.element_bytes) {
    uint32_t value = kept != nullptr ? load_value(kept + p * type.element_bytes, type.element_bytes) & unheld : 0;
    for (uint8_t channel : order) value |= narrow_channel(*channels++, bits[channel]);
    for (uint32_t i = type.element_bytes; i-- > 0; value >>= 8) stored[i] = static_cast<uint8_t>(value);
  }
}

const PixelType* texture_pixel_type(const Texture& texture) {
  return find_pixel_type(texture.splat_pack ? kPixType8Bit : texture.header->PixType);
}
