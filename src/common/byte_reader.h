// A byte reader that cannot run past the end of what it reads, for the
// image readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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
