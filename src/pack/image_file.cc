#include "pack/image_file.h"

#include <cstring>
#include <new>

#include "pack/image_readers.h"

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

}  // namespace

bool check_image_sides(int64_t width, int64_t height, std::string* problem) {
  if (width < 1) {
    *problem = "a width of " + std::to_string(width) + " pixels";
  } else if (height < 1) {
    *problem = "a height of " + std::to_string(height) + " pixels";
  } else if (width > kMaxImageSide) {
    *problem = std::to_string(width) + " pixels wide, more than " + std::to_string(kMaxImageSide);
  } else if (height > kMaxImageSide) {
    *problem = std::to_string(height) + " pixels high, more than " + std::to_string(kMaxImageSide);
  } else {
    return true;
  }
  return false;
}

bool allocate_pixels(DecodedImage* image, uint64_t size, std::string* problem) {
  if (size <= image->pixels.max_size()) {
    try {
      image->pixels.resize(static_cast<size_t>(size));
      return true;
    } catch (const std::bad_alloc&) {
    }
  }
  *problem = "not enough memory for its " + std::to_string(size) + " bytes of pixels";
  return false;
}

bool read_image(std::span<const uint8_t> file, DecodedImage* image, std::string* problem) {
  // Cleared, keeping the vectors' memory for the next image.
  image->format = ImageFormat::bmp;
  image->kind = PixelKind::rgb;
  image->width = image->height = image->row_bytes = 0;
  image->pixels.clear();
  image->palette.clear();
  problem->clear();

  bool read = false;
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
    read = read_bmp(file, image, problem);
  } else if (file.size() >= sizeof kPngSignature &&
             std::memcmp(file.data(), kPngSignature, sizeof kPngSignature) == 0) {
    image->format = ImageFormat::png;
    read = read_png(file, image, problem);
  } else {
    *problem = "not a BMP or PNG image";
  }
  if (!read) {
    image->width = image->height = image->row_bytes = 0;
    image->pixels.clear();
    image->palette.clear();
    if (problem->empty()) *problem = "an image it cannot read";
  }
  return read;
}
