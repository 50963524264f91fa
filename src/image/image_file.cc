#include "image/image_file.h"

#include "bmp/bmp_reader.h"
#include "png/png_reader.h"

bool has_image_signature(std::span<const uint8_t> start) {
  return is_png_file(start) || is_bmp_file(start);
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
  } else if (is_png_file(file)) {
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
