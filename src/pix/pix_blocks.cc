#include "pix/pix_blocks.h"

#include <algorithm>
#include <bit>
#include <cstring>

// Fields are loaded in host order and then byte-swapped, which turns the
// file's big-endian values into host values on the little-endian machines
// the program is built for.
static_assert(std::endian::native == std::endian::little, "PIX decoding assumes a little-endian host");

bool has_pix_signature(std::span<const uint8_t> bytes) {
  return bytes.size() >= kPixSignature.size() && std::equal(kPixSignature.begin(), kPixSignature.end(), bytes.begin());
}

uint16_t swap16(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

uint32_t swap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

static uint16_t load16(const uint8_t* bytes) {
  uint16_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

static uint32_t load32(const uint8_t* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

namespace {

// The header block kinds: the fields of both are those of 0x03, and 0x3D has
// a 16-bit mip_offset between the origin and the name.
struct HeaderLayout {
  uint8_t kind;
  uint8_t fixed_bytes;
  bool mip_offset;
};

constexpr HeaderLayout kHeaderLayouts[] = {
    {kHeaderBlockKind, kHeaderFixedBytes, false},
    {kNewerHeaderBlockKind, kHeaderFixedBytes + 2, true},
};

const HeaderLayout* find_header_layout(uint8_t kind) {
  for (const HeaderLayout& layout : kHeaderLayouts)
    if (layout.kind == kind) return &layout;
  return nullptr;
}

}  // namespace

uint32_t header_fixed_bytes(uint8_t kind) {
  const HeaderLayout* layout = find_header_layout(kind);
  return layout != nullptr ? layout->fixed_bytes : 0;
}

uint64_t header_block_extent(const PixHeader& header) {
  return uint64_t{header_fixed_bytes(header.kind)} + header.name.size() + 1;
}

uint32_t picture_element_count(const PixHeader& header, const PixPixels& pixels) {
  if (header.mip_offset == 0) return pixels.element_count;
  return static_cast<uint32_t>(std::min<uint64_t>(pixels.element_count, uint64_t{header.width} * header.height));
}

static void append_be16(std::vector<uint8_t>* bytes, uint16_t value) {
  bytes->push_back(static_cast<uint8_t>(value >> 8));
  bytes->push_back(static_cast<uint8_t>(value));
}

static void append_be32(std::vector<uint8_t>* bytes, uint32_t value) {
  append_be16(bytes, static_cast<uint16_t>(value >> 16));
  append_be16(bytes, static_cast<uint16_t>(value));
}

void append_header_block(std::vector<uint8_t>* file, const PixHeader& header) {
  const HeaderLayout* found = find_header_layout(header.kind);
  const HeaderLayout& layout = found != nullptr ? *found : kHeaderLayouts[0];
  append_be32(file, layout.kind);
  append_be32(file, static_cast<uint32_t>(layout.fixed_bytes - 8 + header.name.size() + 1));
  file->push_back(header.PixType);
  append_be16(file, header.row_bytes);
  append_be16(file, header.width);
  append_be16(file, header.height);
  append_be16(file, header.origin_x);
  append_be16(file, header.origin_y);
  if (layout.mip_offset) append_be16(file, header.mip_offset);
  file->insert(file->end(), header.name.begin(), header.name.end());
  file->push_back(0);
}

void append_pixel_block_start(std::vector<uint8_t>* file, uint32_t element_count, uint32_t element_size,
                              uint32_t length) {
  append_be32(file, kPixelBlockKind);
  // A reader moves on 16 + length bytes after the block's start.
  append_be32(file, length);
  append_be32(file, element_count);
  append_be32(file, element_size);
}

void append_pixel_block(std::vector<uint8_t>* file, uint32_t element_count, uint32_t element_size,
                        std::span<const uint8_t> pixels, std::span<const uint8_t> trailer) {
  append_pixel_block_start(file, element_count, element_size, static_cast<uint32_t>(pixels.size() + trailer.size()));
  file->insert(file->end(), pixels.begin(), pixels.end());
  file->insert(file->end(), trailer.begin(), trailer.end());
}

int decode_header_block(std::span<const uint8_t> file, uint64_t offset, PixHeader* header) {
  if (offset > file.size() || file.size() - offset < 4) return kBlockNotHeader;
  const HeaderLayout* layout = find_header_layout(file[offset + 3]);
  if (layout == nullptr) return kBlockNotHeader;
  if (file.size() - offset < layout->fixed_bytes) return kBlockTruncated;
  const uint8_t* block = file.data() + offset;
  // The name runs to the first zero byte, which must lie inside the file.
  const uint8_t* name = block + layout->fixed_bytes;
  size_t room = file.size() - offset - layout->fixed_bytes;
  const void* terminator = std::memchr(name, 0, room);
  if (terminator == nullptr) return kBlockTruncated;

  header->block_type = swap32(load32(block + 0));
  header->block_length = swap32(load32(block + 4));
  header->kind = layout->kind;
  header->PixType = block[8];
  header->row_bytes = swap16(load16(block + 9));
  header->width = swap16(load16(block + 11));
  header->height = swap16(load16(block + 13));
  header->origin_x = swap16(load16(block + 15));
  header->origin_y = swap16(load16(block + 17));
  header->mip_offset = layout->mip_offset ? swap16(load16(block + 19)) : 0;
  header->name = std::string_view(reinterpret_cast<const char*>(name),
                                  static_cast<const uint8_t*>(terminator) - name);
  return kBlockDecoded;
}

int decode_pixel_block(std::span<const uint8_t> file, uint64_t offset, PixPixels* pixels) {
  if (offset > file.size() || file.size() - offset < kPixelFixedBytes) return kBlockTruncated;
  const uint8_t* block = file.data() + offset;
  uint32_t element_count = swap32(load32(block + 8));
  uint32_t element_size = swap32(load32(block + 12));
  uint64_t byte_count = uint64_t{element_count} * element_size;
  auto to_file_end = file.subspan(offset + kPixelFixedBytes);
  if (byte_count > to_file_end.size()) return kBlockTruncated;

  pixels->block_type = swap32(load32(block + 0));
  pixels->block_length = swap32(load32(block + 4));
  pixels->element_count = element_count;
  pixels->element_size = element_size;
  pixels->pixels = to_file_end.first(byte_count);
  pixels->to_file_end = to_file_end;
  return kBlockDecoded;
}
