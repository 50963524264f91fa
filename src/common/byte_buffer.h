// Heap blocks that the run reuses for every PIX file and every BMP image, so
// that it allocates only when a file or image is larger than all before it:
// memory follows the largest file and image, never their number.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteBuffer {
  uint8_t* bytes = nullptr;
  size_t capacity = 0;
};

// Makes room for `size` bytes (a block of at least 1 byte) and returns it, or
// nullptr when it cannot be allocated (the buffer then holds nothing). What
// the buffer held before is not kept. Under AddressSanitizer the bytes past
// `size` are marked unusable until the next call, so that a read beyond
// them is caught as it would be in a block of exactly that size.
uint8_t* reserve_bytes(ByteBuffer* buffer, size_t size);

// Makes room for `size` bytes keeping the first `kept` bytes, for a block
// that grows as it is written. Returns the block, or nullptr when it cannot
// grow (it then holds what it held).
uint8_t* grow_bytes(ByteBuffer* buffer, size_t kept, size_t size);

void release_bytes(ByteBuffer* buffer);

// The buffers of one run: the loaded PIX file and the BMP image being built.
struct ScratchBuffers {
  ByteBuffer file;
  ByteBuffer image;
};
