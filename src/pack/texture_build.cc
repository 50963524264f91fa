#include "pack/texture_build.h"

#include <cstring>

#include "pix/pix_blocks.h"

namespace {

constexpr uint32_t kMaxRowBytes = 65535;

uint32_t pix_bytes_per_pixel(uint8_t pix_type) {
  return pix_type == kPixTypeRgb ? 3 : pix_type == kPixTypeXrgb ? 4 : 1;
}

// The pixel type an image gives a new texture.
uint8_t pix_type_of(const DecodedImage& image) {
  switch (image.kind) {
    case PixelKind::indexed: return kPixType8Bit;
    case PixelKind::rgb: return kPixTypeRgb;
    default: return kPixTypeXrgb;
  }
}

// Whether the image's palette holds exactly the 256 colours of `xrgb`
// (X R G B entries) or of `table` (B G R 0 entries).
bool palette_is(const DecodedImage& image, const PaletteTable* table, std::span<const uint8_t> xrgb) {
  if (image.palette.size() != 4 * kPaletteEntries) return false;
  for (size_t i = 0; i < kPaletteEntries; ++i) {
    const uint8_t* rgba = &image.palette[4 * i];
    uint8_t r, g, b;
    if (table != nullptr) {
      r = (*table)[4 * i + 2], g = (*table)[4 * i + 1], b = (*table)[4 * i];
    } else {
      r = xrgb[4 * i + 1], g = xrgb[4 * i + 2], b = xrgb[4 * i + 3];
    }
    if (rgba[0] != r || rgba[1] != g || rgba[2] != b) return false;
  }
  return true;
}

// What one texture is made of, worked out before its pixels.
struct Layout {
  uint8_t pix_type = kPixType8Bit;
  bool splat_pack = false;
  uint32_t bytes_per_pixel = 1;
  uint32_t row_bytes = 0;
  bool from_rows = false;           // the image's rows are the texture's, bytes after the pixels included
  const OldTexture* same = nullptr;  // the old texture, when it has this type and these sizes
};

// The colour of the image's pixel at (x, y), as 0xRRGGBB, and its opacity.
bool pixel_colour(const DecodedImage& image, uint32_t x, uint32_t y, uint32_t* rgb, uint8_t* alpha,
                  std::string* problem) {
  const uint8_t* pixel = &image.pixels[uint64_t{y} * image.row_bytes + uint64_t{x} * bytes_per_pixel(image.kind)];
  *alpha = image.kind == PixelKind::rgba ? pixel[3] : 255;
  if (image.kind == PixelKind::indexed) {
    if (4u * pixel[0] >= image.palette.size()) {
      *problem = "the pixel at " + std::to_string(x) + ", " + std::to_string(y) + " has colour " +
                 std::to_string(pixel[0]) + ", beyond its " + std::to_string(image.palette.size() / 4) + " colours";
      return false;
    }
    pixel = &image.palette[4 * pixel[0]];
    *alpha = pixel[3];
  }
  *rgb = uint32_t{pixel[0]} << 16 | uint32_t{pixel[1]} << 8 | pixel[2];
  return true;
}

// The old texture's byte at `offset` of its pixels, or 0 past them.
uint8_t old_byte(const OldTexture* old, uint64_t offset) {
  return old != nullptr && offset < old->image.pixels.size() ? old->image.pixels[offset] : 0;
}

}  // namespace

bool append_texture(const DecodedImage& image, std::string_view name, const OldTexture* old,
                    const ColourMatch& colours, std::vector<uint8_t>* pix, PackedTexture* packed,
                    std::string* problem) {
  Layout layout;
  const uint8_t old_type = old != nullptr ? old->header.PixType : 0;
  if (old != nullptr && old->splat_pack) {
    layout.splat_pack = true;
  } else if (old_type == kPixType8Bit || old_type == kPixTypeRgb || old_type == kPixTypeXrgb) {
    layout.pix_type = old_type;
  } else {
    layout.pix_type = pix_type_of(image);
  }
  layout.bytes_per_pixel = pix_bytes_per_pixel(layout.pix_type);
  const uint32_t width = image.width, height = image.height;
  const uint64_t pixel_row = uint64_t{width} * layout.bytes_per_pixel;
  layout.from_rows = image.format == ImageFormat::bmp && pix_type_of(image) == layout.pix_type &&
                     image.kind != PixelKind::rgba;
  if (old != nullptr && old->splat_pack == layout.splat_pack && old_type == layout.pix_type &&
      old->header.width == width && old->header.height == height && old->header.row_bytes >= pixel_row)
    layout.same = old;
  layout.row_bytes = static_cast<uint32_t>(layout.from_rows ? image.row_bytes
                                           : layout.same    ? layout.same->header.row_bytes
                                                            : pixel_row);
  if (layout.row_bytes > kMaxRowBytes) {
    *problem = "rows of " + std::to_string(layout.row_bytes) + " bytes, more than a PIX file holds (65535)";
    return false;
  }

  // Indices kept as they are, or colours matched.
  const bool keep_indices =
      image.kind == PixelKind::indexed &&
      (palette_is(image, colours.palette, {}) ||
       (layout.splat_pack && old->palette.pixels.size() == kPaletteBytes && palette_is(image, nullptr, old->palette.pixels)));
  packed->paletted = layout.pix_type == kPixType8Bit;
  packed->code = layout.splat_pack ? "SP" : layout.pix_type == kPixTypeRgb ? "3B" : layout.pix_type == kPixTypeXrgb ? "4B" : "NO";

  const uint32_t row_bytes = layout.row_bytes;
  const uint32_t old_row_bytes = layout.same != nullptr ? layout.same->header.row_bytes : 0;
  const uint32_t element_size = layout.bytes_per_pixel;
  // Whole elements: rows whose bytes are no multiple of the pixel size get
  // zero bytes after the last row.
  const uint64_t row_data = uint64_t{row_bytes} * height;
  const uint64_t element_count = (row_data + element_size - 1) / element_size;
  std::vector<uint8_t> pixels(element_count * element_size, 0);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels.data() + uint64_t{y} * row_bytes;
    const uint8_t* image_row = image.pixels.data() + uint64_t{y} * image.row_bytes;
    // The bytes after the pixels: the image's own, or the old texture's.
    if (layout.from_rows) {
      std::memcpy(row, image_row, row_bytes);
    } else {
      for (uint64_t i = pixel_row; i < row_bytes; ++i) row[i] = old_byte(layout.same, uint64_t{y} * old_row_bytes + i);
    }
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* out = row + uint64_t{x} * element_size;
      if (layout.pix_type == kPixType8Bit && keep_indices) {
        out[0] = image_row[x];
        continue;
      }
      uint32_t rgb = 0;
      uint8_t alpha = 255;
      if (!pixel_colour(image, x, y, &rgb, &alpha, problem)) return false;
      if (layout.pix_type == kPixType8Bit) {
        uint8_t kept = old_byte(layout.same, uint64_t{y} * old_row_bytes + x);
        bool inexact = false;
        if (alpha == 0)
          out[0] = 0;  // the game draws index 0 as transparent
        else if (layout.same != nullptr && palette_colour(*colours.palette, kept) == rgb)
          out[0] = kept;
        else
          out[0] = match_colour(colours, rgb, &inexact);
        if (inexact) ++packed->inexact_pixels;
        continue;
      }
      // True colour, stored R G B or X R G B: X from a 32-bit BMP, else the
      // old texture's.
      if (layout.pix_type == kPixTypeXrgb) {
        *out++ = image.kind == PixelKind::rgbx ? image_row[uint64_t{x} * 4 + 3]
                                               : old_byte(layout.same, uint64_t{y} * old_row_bytes + x * 4u);
      }
      out[0] = static_cast<uint8_t>(rgb >> 16), out[1] = static_cast<uint8_t>(rgb >> 8), out[2] = static_cast<uint8_t>(rgb);
    }
  }

  PixHeader header;
  header.PixType = layout.pix_type;
  header.row_bytes = static_cast<uint16_t>(row_bytes);
  header.width = static_cast<uint16_t>(width);
  header.height = static_cast<uint16_t>(height);
  header.spare1 = old != nullptr ? old->header.spare1 : static_cast<uint16_t>(width / 2);
  header.spare2 = old != nullptr ? old->header.spare2 : static_cast<uint16_t>(height / 2);
  header.name = name;
  append_header_block(pix, header);
  if (layout.splat_pack) pix->insert(pix->end(), old->palette_blocks.begin(), old->palette_blocks.end());
  append_pixel_block(pix, static_cast<uint32_t>(element_count), element_size, pixels);
  return true;
}
