#include "pack/image_file.h"

#include <cstring>
#include <new>

#include "pack/image_readers.h"

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

bool is_png(std::span<const uint8_t> file) {
  return file.size() >= sizeof kPngSignature && std::memcmp(file.data(), kPngSignature, sizeof kPngSignature) == 0;
}

}  // namespace

bool has_image_signature(std::span<const uint8_t> start) {
  if (is_png(start)) return true;
  return start.size() >= 10 && start[0] == 'B' && start[1] == 'M' && start[6] == 0 && start[7] == 0 &&
         start[8] == 0 && start[9] == 0;
}

bool check_image_size(int64_t width, int64_t height, uint64_t max_pixels, std::string* problem) {
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

bool read_image(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
                std::string* problem) {
  *image = DecodedImage{};
  problem->clear();
  bool read = false;
  if (file.empty()) {
    *problem = "empty";
  } else if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
    read = read_bmp(file, max_pixels, buffers, image, problem);
  } else if (is_png(file)) {
    image->format = ImageFormat::png;
    read = read_png(file, max_pixels, buffers, image, problem);
  } else {
    *problem = "not a BMP or PNG image";
  }
  if (!read) {
    *image = DecodedImage{};
    if (problem->empty()) *problem = "an image it cannot read";
  }
  return read;
}
