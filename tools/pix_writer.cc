#include "pix_writer.h"

#include "pix/pix_blocks.h"

PixFile start_pix_file() {
  PixFile file;
  file.bytes.assign(kPixSignature.begin(), kPixSignature.end());
  return file;
}

void append_be16(std::vector<uint8_t>* bytes, uint16_t value) {
  bytes->push_back(static_cast<uint8_t>(value >> 8));
  bytes->push_back(static_cast<uint8_t>(value));
}

void append_be32(std::vector<uint8_t>* bytes, uint32_t value) {
  append_be16(bytes, static_cast<uint16_t>(value >> 16));
  append_be16(bytes, static_cast<uint16_t>(value));
}

void add_header_block(PixFile* file, uint8_t pix_type, uint16_t row_bytes, uint16_t width,
                      uint16_t height, std::string_view name) {
  std::vector<uint8_t>& b = file->bytes;
  append_be32(&b, kHeaderBlockKind);
  append_be32(&b, static_cast<uint32_t>(11 + name.size() + 1));
  b.push_back(pix_type);
  append_be16(&b, row_bytes);
  append_be16(&b, width);
  append_be16(&b, height);
  append_be16(&b, 0);
  append_be16(&b, 0);
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
}

void add_pixel_block(PixFile* file, uint32_t element_count, uint32_t element_size,
                     std::span<const uint8_t> pixels, std::span<const uint8_t> trailer) {
  std::vector<uint8_t>& b = file->bytes;
  append_be32(&b, kPixelBlockKind);
  // The reader moves on 16 + length bytes after the block's start: past the
  // pixels and the trailer.
  append_be32(&b, static_cast<uint32_t>(pixels.size() + trailer.size()));
  append_be32(&b, element_count);
  append_be32(&b, element_size);
  b.insert(b.end(), pixels.begin(), pixels.end());
  b.insert(b.end(), trailer.begin(), trailer.end());
}

void add_bytes(PixFile* file, std::span<const uint8_t> bytes) {
  file->bytes.insert(file->bytes.end(), bytes.begin(), bytes.end());
}

uint32_t pix_type_bytes(uint8_t pix_type) {
  if (pix_type == kPixTypeRgb) return 3;
  if (pix_type == kPixTypeXrgb) return 4;
  return 1;
}

void add_texture(PixFile* file, uint8_t pix_type, uint16_t width, uint16_t height,
                 std::string_view name, std::span<const uint8_t> pixels) {
  uint32_t bytes_per_pixel = pix_type_bytes(pix_type);
  add_header_block(file, pix_type, static_cast<uint16_t>(width * bytes_per_pixel), width, height,
                   name);
  add_pixel_block(file, static_cast<uint32_t>(pixels.size() / bytes_per_pixel), bytes_per_pixel,
                  pixels);
}

void add_splat_pack_texture(PixFile* file, uint16_t width, uint16_t height,
                            std::string_view name, std::span<const uint8_t> pixels,
                            uint16_t palette_entries, uint8_t image_type) {
  add_header_block(file, image_type, width, width, height, name);
  add_header_block(file, kPixTypeXrgb, 4, 1, palette_entries, "palette");
  // A grey ramp, stored X R G B.
  std::vector<uint8_t> palette;
  for (int i = 0; i < palette_entries; ++i) {
    uint8_t v = static_cast<uint8_t>(i);
    palette.insert(palette.end(), {0, v, v, v});
  }
  // Real files follow the palette's pixels with a 0x22 chunk, which the
  // palette block's length word covers.
  static constexpr uint8_t kPaletteChunk[8] = {0, 0, 0, 0x22, 0, 0, 0, 0};
  add_pixel_block(file, palette_entries, 4, palette, kPaletteChunk);
  add_pixel_block(file, static_cast<uint32_t>(pixels.size()), 1, pixels);
}
