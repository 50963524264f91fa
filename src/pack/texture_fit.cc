#include "pack/texture_fit.h"

#include <new>
#include <utility>

#include "pix/pix_blocks.h"

namespace {

// Whether some pixel's fourth byte in a 32-bit BMP without an alpha mask
// is not 0.
bool fourth_bytes_set(const DecodedImage& image) {
  if (image.kind != PixelKind::bgrx) return false;
  for (uint32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = image_row(image, y);
    for (uint32_t x = 0; x < image.width; ++x)
      if (row[4 * x + 3] != 0) return true;
  }
  return false;
}

// Whether the image has alpha of its own: an alpha channel, palette entries
// that are not all opaque, fourth bytes that are not all 0.
bool carries_alpha(const DecodedImage& image) {
  if (image.kind == PixelKind::rgba || image.kind == PixelKind::bgra) return true;
  if (image.kind == PixelKind::bgrx) return fourth_bytes_set(image);
  if (image.kind != PixelKind::indexed) return false;
  uint8_t alpha = 255;
  for (uint32_t i = 0; i < image.palette.size() / 4 && alpha == 255; ++i) palette_entry(image, i, &alpha);
  return alpha != 255;
}

// The image with its fourth bytes as alpha when they hold some.
DecodedImage with_fourth_byte_alpha(const DecodedImage& image) {
  DecodedImage taken = image;
  if (fourth_bytes_set(image)) taken.kind = PixelKind::bgra;
  return taken;
}

// The counts of the values met, in the order first met.
using Counts = std::vector<std::pair<uint8_t, int>>;

void count(Counts* counts, uint8_t value) {
  for (auto& [met, times] : *counts)
    if (met == value) return static_cast<void>(++times);
  counts->emplace_back(value, 1);
}

// The value counted most of those `fits` takes, the first met of equal
// counts; 0 for none.
template <typename Fits>
uint8_t most_common(const Counts& counts, Fits fits) {
  uint8_t most = 0;
  int times = 0;
  for (const auto& [value, n] : counts)
    if (n > times && fits(value)) most = value, times = n;
  return most;
}

}  // namespace

bool has_see_through_pixel(const DecodedImage& image) {
  const DecodedImage seen = with_fourth_byte_alpha(image);
  const uint32_t pixel_size = layout_of(seen.kind).size;
  std::string problem;
  for (uint32_t y = 0; y < seen.height; ++y) {
    const uint8_t* row = image_row(seen, y);
    for (uint32_t x = 0; x < seen.width; ++x) {
      uint32_t rgb = 0;
      uint8_t alpha = 255;
      if (pixel_colour(seen, row + uint64_t{x} * pixel_size, &rgb, &alpha, &problem) && alpha < 255) return true;
    }
  }
  return false;
}

AddedType added_texture_type(std::span<const OldTexture> file, const DecodedImage& image) {
  Counts types, kinds;
  bool newer = false;
  for (const OldTexture& texture : file) {
    const uint8_t pix_type = texture.splat_pack ? kPixType8Bit : texture.header.PixType;
    const PixelType* type = find_pixel_type(pix_type);
    if (type == nullptr) continue;
    newer = newer || type->newer || texture.header.kind == kNewerHeaderBlockKind;
    count(&types, pix_type);
    count(&kinds, texture.header.kind);
  }
  if (!newer) return {};
  auto alpha = [](uint8_t pix_type) { return has_alpha(*find_pixel_type(pix_type)); };
  const uint8_t with_alpha = most_common(types, alpha);
  uint8_t pix_type = with_alpha != 0 && has_see_through_pixel(image) ? with_alpha : 0;
  if (pix_type == 0) pix_type = most_common(types, [&](uint8_t t) { return !alpha(t); });
  if (pix_type == 0) pix_type = most_common(types, [](uint8_t) { return true; });
  return {pix_type, most_common(kinds, [](uint8_t) { return true; })};
}

bool take_alpha(const DecodedImage& image, const PixelType& type, const OldTexture* old, std::string_view name,
                std::vector<uint8_t>* rows, DecodedImage* taken, bool* alpha_kept, std::string* problem) {
  *alpha_kept = false;
  *taken = image;
  if (!has_alpha(type)) return true;
  if (carries_alpha(image) || old == nullptr) {
    *taken = with_fourth_byte_alpha(image);
    return true;
  }
  const uint32_t width = image.width, height = image.height;
  if (old->header.width != width || old->header.height != height) {
    *problem = "the texture " + std::string(name) + " has alpha, and this image has none at another size (" +
               std::to_string(width) + " x " + std::to_string(height) + ", the texture " +
               std::to_string(old->header.width) + " x " + std::to_string(old->header.height) +
               "): re-save it with its alpha, as a 32-bit BMP with an alpha mask or as an RGBA PNG";
    return false;
  }
  rows->resize(uint64_t{width} * height * 4);
  const uint32_t pixel_size = layout_of(image.kind).size;
  const std::span<const uint8_t> old_pixels = old->image.pixels;
  static constexpr uint8_t kAlphaOnly[] = {kAlpha};
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = image_row(image, y);
    uint8_t* to = rows->data() + uint64_t{y} * width * 4;
    for (uint32_t x = 0; x < width; ++x, to += 4) {
      uint32_t rgb = 0;
      uint8_t alpha = 255;
      if (!pixel_colour(image, row + uint64_t{x} * pixel_size, &rgb, &alpha, problem)) return false;
      const uint64_t at = uint64_t{y} * old->header.row_bytes + uint64_t{x} * type.element_bytes;
      if (at + type.element_bytes <= old_pixels.size())
        decode_pixels(type, old_pixels.data() + at, 1, kAlphaOnly, &alpha);
      to[0] = static_cast<uint8_t>(rgb >> 16), to[1] = static_cast<uint8_t>(rgb >> 8);
      to[2] = static_cast<uint8_t>(rgb), to[3] = alpha;
    }
  }
  *taken = DecodedImage{};
  taken->format = image.format;
  taken->kind = PixelKind::rgba;
  taken->width = width;
  taken->height = height;
  taken->top_row = rows->data();
  taken->row_step = taken->row_bytes = width * 4;
  *alpha_kept = true;
  return true;
}
