#include "common/decoded_image.h"

#include <new>

bool check_image_size(int64_t width, int64_t height, uint64_t file_size, uint64_t max_pixels, std::string* problem) {
  if (width < 1) {
    *problem = "a width of " + std::to_string(width) + " pixels";
  } else if (height < 1) {
    *problem = "a height of " + std::to_string(height) + " pixels";
  } else if (width > kMaxImageSide) {
    *problem = std::to_string(width) + " pixels wide, more than " + std::to_string(kMaxImageSide);
  } else if (height > kMaxImageSide) {
    *problem = std::to_string(height) + " pixels high, more than " + std::to_string(kMaxImageSide);
  } else if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > max_pixels) {
    *problem = std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
               std::to_string(max_pixels) + " that -maxpixels allows";
  } else if (const uint64_t limit = image_file_limit(static_cast<uint64_t>(width) * static_cast<uint64_t>(height));
             file_size > limit) {
    *problem = "a file of " + std::to_string(file_size) + " bytes for " + std::to_string(width) + " x " +
               std::to_string(height) + " pixels, more than the " + std::to_string(limit) +
               " such an image may take (5 bytes a pixel and 1 MiB)";
  } else {
    return true;
  }
  return false;
}

uint8_t* allocate_pixels(ImageBuffers* buffers, uint64_t size, std::string* problem) {
  if (size <= buffers->pixels.max_size()) {
    try {
      if (buffers->pixels.size() < size) buffers->pixels.resize(static_cast<size_t>(size));
      return buffers->pixels.data();
    } catch (const std::bad_alloc&) {
    }
  }
  *problem = "not enough memory for its " + std::to_string(size) + " bytes of pixels";
  return nullptr;
}
