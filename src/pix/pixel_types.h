// The pixel types a pixelmap's header may name, as one table: how many
// bytes each pixel takes and where its channels lie. One table serves
// every reader and writer of pixels, as BRender's own type table does.
#pragma once

#include <cstdint>
#include <span>

// A channel's bits within a pixel's value, the value being the pixel's
// bytes read big-endian (the first byte the highest). `bits` 0: the type
// has no such channel.
struct ChannelBits {
  uint8_t shift = 0;
  uint8_t bits = 0;
};

struct PixelType {
  uint8_t type = 0;           // the header's PixType
  uint8_t element_bytes = 0;  // bytes per pixel
  bool indexed = false;       // one byte, an index into a 256-colour palette
  ChannelBits red, green, blue, alpha;
  const char* code = "";      // the report's code
  // How the page names the pixel format after the code: the bits of each
  // channel present ("565", "4444", "888" ...), or "indexed" for palette
  // indices.
  const char* format = "";
  // Written only by BRender 1.2 and later tools (read with "-c2"), and
  // decoded channel by channel; the others (8-bit, 3 and 4 bytes per pixel)
  // are the game's own, whose bytes images take as they are.
  bool newer = false;
};

inline bool has_alpha(const PixelType& type) { return type.alpha.bits != 0; }

// The entry of a pixel type, or nullptr for a type the table does not hold.
const PixelType* find_pixel_type(uint8_t type);

// The value of a channel widened to 8 bits by repeating its top bits, so
// that 0 stays 0 and the top value becomes 255.
uint8_t widen_channel(uint32_t pixel_value, ChannelBits channel);

// An 8-bit value narrowed to the channel's bits, in its place in a pixel's
// value: the nearest level, round(value x top / 255), which widen_channel
// takes back to the nearest of its values, and which undoes widen_channel
// exactly.
uint32_t narrow_channel(uint8_t value, ChannelBits channel);

// Channels of a decoded pixel, as `decode_pixels` orders them.
enum : uint8_t { kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3 };

// Decodes `count` pixels of a type that is not indexed, stored one after
// the other from `stored`, into `out`: for each pixel the channels `order`
// lists, 8 bits each, widened. A type without alpha is opaque (255).
void decode_pixels(const PixelType& type, const uint8_t* stored, uint64_t count, std::span<const uint8_t> order,
                   uint8_t* out);

// The inverse of decode_pixels: `count` pixels of 8-bit channels, each
// pixel the channels `order` lists, narrowed into the stored bytes of a type
// that is not indexed. Bits no channel of the type holds are taken from
// `kept`, pixels stored alike (those replaced), or are 0 when it is null.
void encode_pixels(const PixelType& type, const uint8_t* channels, uint64_t count, std::span<const uint8_t> order,
                   const uint8_t* kept, uint8_t* stored);
