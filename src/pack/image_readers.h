// What the BMP and PNG readers share: a byte reader that cannot run past the
// end of the file, the checks of an image's size and the pixel allocation.
// Internal to velmire_image_readers; callers use read_image.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "pack/image_file.h"

// Reads from a span. A read or skip past the end reads nothing, gives zeros
// and sets `overrun`, which stays set: a group of reads is checked once.
struct ByteReader {
  std::span<const uint8_t> bytes;
  size_t offset = 0;
  bool overrun = false;
};

// The next `count` bytes, or an empty span (and overrun) when fewer are left.
inline std::span<const uint8_t> take_bytes(ByteReader* reader, uint64_t count) {
  if (reader->overrun || reader->offset > reader->bytes.size() ||
      count > reader->bytes.size() - reader->offset) {
    reader->overrun = true;
    return {};
  }
  std::span<const uint8_t> taken = reader->bytes.subspan(reader->offset, static_cast<size_t>(count));
  reader->offset += static_cast<size_t>(count);
  return taken;
}

// Moves to `offset` from the start; past the end it sets overrun.
inline void seek_to(ByteReader* reader, uint64_t offset) {
  if (offset > reader->bytes.size()) {
    reader->overrun = true;
    return;
  }
  reader->offset = static_cast<size_t>(offset);
}

inline uint8_t read_u8(ByteReader* reader) {
  std::span<const uint8_t> b = take_bytes(reader, 1);
  return b.empty() ? 0 : b[0];
}

inline uint16_t read_u16le(ByteReader* reader) {
  std::span<const uint8_t> b = take_bytes(reader, 2);
  return b.empty() ? 0 : static_cast<uint16_t>(b[0] | b[1] << 8);
}

inline uint32_t read_u32le(ByteReader* reader) {
  std::span<const uint8_t> b = take_bytes(reader, 4);
  return b.empty() ? 0 : b[0] | b[1] << 8 | b[2] << 16 | uint32_t{b[3]} << 24;
}

inline uint32_t read_u32be(ByteReader* reader) {
  std::span<const uint8_t> b = take_bytes(reader, 4);
  return b.empty() ? 0 : uint32_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3];
}

// What a refusal that re-saving cures adds to its problem.
inline constexpr const char* kResaveHint = "; re-save it as a BMP file of 8, 24 or 32 bits or as a PNG file";

// Each reader is handed a cleared image and the whole file, its signature
// already recognised.
bool read_bmp(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem);
bool read_png(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem);

// Checks width >= 1, height >= 1, both <= kMaxImageSide, and width x height
// <= max_pixels; sets `problem` (naming the size) when not.
bool check_image_size(int64_t width, int64_t height, uint64_t max_pixels, std::string* problem);

// Makes room for `size` bytes in buffers->pixels and returns them (not
// cleared), or nullptr, with `problem` set, when the memory cannot be had.
uint8_t* allocate_pixels(ImageBuffers* buffers, uint64_t size, std::string* problem);
