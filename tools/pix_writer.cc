#include "pix_writer.h"

#include "pix/pix_blocks.h"
#include "pix/pixel_types.h"
#include "pix/twt_archive.h"

PixFile start_pix_file() {
  PixFile file;
  file.bytes.assign(kPixSignature.begin(), kPixSignature.end());
  return file;
}

void append_be32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

void add_header_block(PixFile* file, uint8_t pix_type, uint16_t row_bytes, uint16_t width,
                      uint16_t height, std::string_view name, uint8_t kind, uint16_t mip_offset) {
  PixHeader header;
  header.kind = kind;
  header.mip_offset = mip_offset;
  header.PixType = pix_type;
  header.row_bytes = row_bytes;
  header.width = width;
  header.height = height;
  header.origin_x = width / 2;
  header.origin_y = height / 2;
  header.name = name;
  append_header_block(&file->bytes, header);
}

void add_pixel_block(PixFile* file, uint32_t element_count, uint32_t element_size,
                     std::span<const uint8_t> pixels, std::span<const uint8_t> trailer) {
  append_pixel_block(&file->bytes, element_count, element_size, pixels, trailer);
}

void add_bytes(PixFile* file, std::span<const uint8_t> bytes) {
  file->bytes.insert(file->bytes.end(), bytes.begin(), bytes.end());
}

uint32_t pix_type_bytes(uint8_t pix_type) {
  const PixelType* type = find_pixel_type(pix_type);
  return type != nullptr ? type->element_bytes : 1;
}

void add_texture(PixFile* file, uint8_t pix_type, uint16_t width, uint16_t height,
                 std::string_view name, std::span<const uint8_t> pixels, uint8_t kind) {
  uint32_t bytes_per_pixel = pix_type_bytes(pix_type);
  add_header_block(file, pix_type, static_cast<uint16_t>(width * bytes_per_pixel), width, height,
                   name, kind);
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

std::vector<uint8_t> twt_archive(const std::vector<TwtFile>& members, bool pad_last) {
  std::vector<TwtMember> records;
  for (const TwtFile& member : members) records.push_back({member.name, member.bytes});
  std::vector<uint8_t> archive;
  append_twt_archive(&archive, records, pad_last);
  return archive;
}
