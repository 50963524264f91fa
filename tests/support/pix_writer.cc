#include "pix_writer.h"

namespace {

void append_be16(std::vector<uint8_t>* bytes, uint16_t value) {
  bytes->insert(bytes->end(), {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

void append_le32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

// Bytes per pixel of the types of more than one: 15 and 16 bits, R G B, 32 bits.
constexpr uint8_t kWideTypes[][2] = {{4, 2}, {5, 2}, {17, 2}, {18, 2}, {31, 2}, {32, 2},
                                     {34, 2}, {6, 3}, {7, 4}, {8, 4}, {37, 4}};

}  // namespace

PixFile start_pix_file() { return {{0, 0, 0, 0x12, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 2}}; }

void append_be32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

// After the type and length words: the pixel type, the row bytes, width,
// height and origin (16 bits each), a 0x3D header's mip_offset, the name and
// its zero. The length word counts the bytes after it.
void add_header_block(PixFile* file, uint8_t pix_type, uint16_t row_bytes, uint16_t width, uint16_t height,
                      std::string_view name, uint8_t kind, uint16_t mip_offset) {
  const bool newer = kind == kNewerHeader;
  append_be32(&file->bytes, kind);
  append_be32(&file->bytes, static_cast<uint32_t>((newer ? 13 : 11) + name.size() + 1));
  file->bytes.push_back(pix_type);
  for (uint16_t field : {row_bytes, width, height, static_cast<uint16_t>(width / 2), static_cast<uint16_t>(height / 2)})
    append_be16(&file->bytes, field);
  if (newer) append_be16(&file->bytes, mip_offset);
  file->bytes.insert(file->bytes.end(), name.begin(), name.end());
  file->bytes.push_back(0);
}

// The type and length words, the count and the size of the pixels: a reader
// moves on 16 + length bytes after the block's start.
void add_pixel_block(PixFile* file, uint32_t element_count, uint32_t element_size, std::span<const uint8_t> pixels,
                     std::span<const uint8_t> trailer) {
  for (uint32_t word : {uint32_t{kPixelBlock}, static_cast<uint32_t>(pixels.size() + trailer.size()), element_count,
                        element_size})
    append_be32(&file->bytes, word);
  add_bytes(file, pixels);
  add_bytes(file, trailer);
}

void add_bytes(PixFile* file, std::span<const uint8_t> bytes) {
  file->bytes.insert(file->bytes.end(), bytes.begin(), bytes.end());
}

uint32_t pix_type_bytes(uint8_t pix_type) {
  for (const auto& [type, bytes] : kWideTypes)
    if (type == pix_type) return bytes;
  return 1;
}

void add_texture(PixFile* file, uint8_t pix_type, uint16_t width, uint16_t height, std::string_view name,
                 std::span<const uint8_t> pixels, uint8_t kind) {
  const uint32_t bytes_per_pixel = pix_type_bytes(pix_type);
  add_header_block(file, pix_type, static_cast<uint16_t>(width * bytes_per_pixel), width, height, name, kind);
  add_pixel_block(file, static_cast<uint32_t>(pixels.size() / bytes_per_pixel), bytes_per_pixel, pixels);
}

void add_splat_pack_texture(PixFile* file, uint16_t width, uint16_t height, std::string_view name,
                            std::span<const uint8_t> pixels, uint16_t palette_entries, uint8_t image_type) {
  add_header_block(file, image_type, width, width, height, name);
  add_header_block(file, kTypeXrgb, 4, 1, palette_entries, "palette");
  std::vector<uint8_t> palette;  // a grey ramp, stored X R G B
  for (int i = 0; i < palette_entries; ++i) palette.insert(palette.end(), {0, uint8_t(i), uint8_t(i), uint8_t(i)});
  // Real files follow the palette's pixels with a 0x22 chunk, which the
  // palette block's length word covers.
  static constexpr uint8_t kPaletteChunk[8] = {0, 0, 0, 0x22, 0, 0, 0, 0};
  add_pixel_block(file, palette_entries, 4, palette, kPaletteChunk);
  add_pixel_block(file, static_cast<uint32_t>(pixels.size()), 1, pixels);
}

std::vector<uint8_t> twt_archive(const std::vector<TwtFile>& members, bool pad_last) {
  std::vector<uint8_t> archive(4);  // the total size, known at the end
  append_le32(&archive, static_cast<uint32_t>(members.size()));
  for (const TwtFile& member : members) {
    append_le32(&archive, static_cast<uint32_t>(member.bytes.size()));
    const std::string name = (member.name + std::string(52, '\0')).substr(0, 52);
    archive.insert(archive.end(), name.begin(), name.end());
  }
  for (size_t i = 0; i < members.size(); ++i) {
    archive.insert(archive.end(), members[i].bytes.begin(), members[i].bytes.end());
    if (i + 1 < members.size() || pad_last) archive.resize((archive.size() + 3) / 4 * 4, 0);
  }
  const auto size = static_cast<uint32_t>(archive.size());
  for (int i = 0; i < 4; ++i) archive[i] = static_cast<uint8_t>(size >> (8 * i));
  return archive;
}
