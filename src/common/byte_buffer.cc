#include "common/byte_buffer.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define VELMIRE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMIRE_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef VELMIRE_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#define MARK_UNUSABLE(start, size) ASAN_POISON_MEMORY_REGION(start, size)
#define MARK_USABLE(start, size) ASAN_UNPOISON_MEMORY_REGION(start, size)
#else
#define MARK_UNUSABLE(start, size) ((void)(start), (void)(size))
#define MARK_USABLE(start, size) ((void)(start), (void)(size))
#endif

uint8_t* reserve_bytes(ByteBuffer* buffer, size_t size) {
  size_t wanted = size > 0 ? size : 1;
  if (wanted > buffer->capacity) {
    release_bytes(buffer);
    buffer->bytes = static_cast<uint8_t*>(std::malloc(wanted));
    if (buffer->bytes == nullptr) return nullptr;
    buffer->capacity = wanted;
  }
  MARK_USABLE(buffer->bytes, buffer->capacity);
  MARK_UNUSABLE(buffer->bytes + size, buffer->capacity - size);
  return buffer->bytes;
}

uint8_t* grow_bytes(ByteBuffer* buffer, size_t kept, size_t size) {
  if (size > buffer->capacity) {
    // Doubling keeps the number of copies small as a block grows.
    size_t capacity = size > 2 * buffer->capacity ? size : 2 * buffer->capacity;
    if (buffer->bytes != nullptr) MARK_USABLE(buffer->bytes, buffer->capacity);
    auto* grown = static_cast<uint8_t*>(std::realloc(buffer->bytes, capacity));
    if (grown == nullptr) {
      if (buffer->bytes != nullptr) MARK_UNUSABLE(buffer->bytes + kept, buffer->capacity - kept);
      return nullptr;
    }
    buffer->bytes = grown;
    buffer->capacity = capacity;
  }
  MARK_USABLE(buffer->bytes, buffer->capacity);
  MARK_UNUSABLE(buffer->bytes + size, buffer->capacity - size);
  return buffer->bytes;
}

void release_bytes(ByteBuffer* buffer) {
  if (buffer->bytes != nullptr) MARK_USABLE(buffer->bytes, buffer->capacity);
  std::free(buffer->bytes);
  buffer->bytes = nullptr;
  buffer->capacity = 0;
}
