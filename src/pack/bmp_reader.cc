// BMP files of 8, 24 and 32 bits per pixel, uncompressed (32-bit also with
// the bit fields masks of plain B G R X), with a 40-, 108- or 124-byte info
// header. Rows keep the stride the image-size field gives them, so that
// files with unpadded or overpadded rows come back as they were written.
#include <cstdio>
#include <cstring>
#include <utility>

#include "pack/image_readers.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kV4HeaderBytes = 108;
constexpr uint32_t kV5HeaderBytes = 124;
constexpr uint32_t kMaskBytes = 12;       // red, green and blue masks
constexpr uint32_t kMasksOffset = 54;     // after a 40-byte header, or inside V4/V5
constexpr uint32_t kCompressionNone = 0;  // BI_RGB
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kMaxColours = 256;

const char* compression_name(uint32_t compression) {
  switch (compression) {
    case 1: return ": 8-bit run-length";
    case 2: return ": 4-bit run-length";
    case 3: return ": bit fields";
    case 4: return ": JPEG";
    case 5: return ": PNG";
    case 6: return ": alpha bit fields";
    case 11: return ": CMYK";
    case 12: return ": CMYK 8-bit run-length";
    case 13: return ": CMYK 4-bit run-length";
    default: return "";
  }
}

std::string hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

bool refuse(std::string* problem, std::string text) {
  *problem = std::move(text);
  return false;
}

}  // namespace

bool read_bmp(std::span<const uint8_t> file, DecodedImage* image, std::string* problem) {
  const std::string truncated_header = "the file ends inside its BMP header";
  ByteReader reader{file};
  seek_to(&reader, 10);
  const uint32_t pixel_offset = read_u32le(&reader);
  const uint32_t header_bytes = read_u32le(&reader);
  if (reader.overrun) return refuse(problem, truncated_header);
  if (header_bytes == kCoreHeaderBytes)
    return refuse(problem, "a BMP core header (12 bytes), which it does not read");
  if (header_bytes != kInfoHeaderBytes && header_bytes != kV4HeaderBytes && header_bytes != kV5HeaderBytes)
    return refuse(problem, "a BMP info header of " + std::to_string(header_bytes) +
                               " bytes, which it does not read (40, 108 or 124)");
  if (file.size() < kFileHeaderBytes + header_bytes) return refuse(problem, truncated_header);

  const auto width = static_cast<int32_t>(read_u32le(&reader));
  const auto height = static_cast<int32_t>(read_u32le(&reader));
  const uint16_t planes = read_u16le(&reader);
  const uint16_t bit_count = read_u16le(&reader);
  const uint32_t compression = read_u32le(&reader);
  const uint32_t image_size = read_u32le(&reader);
  take_bytes(&reader, 8);  // resolution
  const uint32_t colours_used = read_u32le(&reader);

  if (planes != 1) return refuse(problem, "a BMP of " + std::to_string(planes) + " planes, not 1");
  if (bit_count != 8 && bit_count != 24 && bit_count != 32)
    return refuse(problem, "a BMP of " + std::to_string(bit_count) + " bits per pixel, which it does not read");

  uint64_t headers_end = kFileHeaderBytes + header_bytes;
  const std::string refused_compression =
      "a BMP compression it does not read (" + std::to_string(compression) + compression_name(compression);
  if (compression == kCompressionBitFields && bit_count == 32) {
    // A 40-byte header is followed by the masks; V4 and V5 hold them.
    if (header_bytes == kInfoHeaderBytes) headers_end += kMaskBytes;
    seek_to(&reader, kMasksOffset);
    const uint32_t red = read_u32le(&reader);
    const uint32_t green = read_u32le(&reader);
    const uint32_t blue = read_u32le(&reader);
    if (reader.overrun) return refuse(problem, truncated_header);
    if (red != 0x00FF0000 || green != 0x0000FF00 || blue != 0x000000FF)
      return refuse(problem, refused_compression + " with masks " + hex32(red) + " " + hex32(green) + " " +
                                 hex32(blue) + ")");
  } else if (compression == kCompressionBitFields) {
    return refuse(problem, refused_compression + " on " + std::to_string(bit_count) + "-bit pixels)");
  } else if (compression != kCompressionNone) {
    return refuse(problem, refused_compression + ")");
  }

  // A negative height stores the rows top-down.
  const int64_t signed_rows = height < 0 ? -int64_t{height} : int64_t{height};
  if (!check_image_sides(width, signed_rows, problem)) return false;
  const auto rows = static_cast<uint64_t>(signed_rows);

  if (bit_count == 8) {
    const uint32_t entries = colours_used == 0 ? kMaxColours : colours_used;
    if (entries > kMaxColours)
      return refuse(problem, "a colour table of " + std::to_string(entries) + " entries, more than 256");
    seek_to(&reader, headers_end);
    std::span<const uint8_t> table = take_bytes(&reader, uint64_t{entries} * 4);
    if (reader.overrun) return refuse(problem, "the file ends inside its colour table");
    if (headers_end + table.size() > pixel_offset)
      return refuse(problem, "a colour table of " + std::to_string(entries) +
                                 " entries running into the pixel rows at byte " + std::to_string(pixel_offset));
    image->palette.resize(table.size());
    for (size_t i = 0; i < table.size(); i += 4) {  // B G R x
      image->palette[i] = table[i + 2];
      image->palette[i + 1] = table[i + 1];
      image->palette[i + 2] = table[i];
      image->palette[i + 3] = 255;
    }
  } else if (pixel_offset < headers_end) {
    return refuse(problem, "pixel rows starting at byte " + std::to_string(pixel_offset) + ", inside the headers");
  }

  // The image-size field tells the stride when it divides into rows that
  // hold the pixels; otherwise rows are padded to 4 bytes.
  const uint32_t pixel_size = bit_count / 8;
  const uint64_t pixel_bytes = uint64_t(width) * pixel_size;
  uint64_t stride = (pixel_bytes + 3) / 4 * 4;
  if (image_size != 0 && image_size % rows == 0 && image_size / rows >= pixel_bytes)
    stride = image_size / rows;
  seek_to(&reader, pixel_offset);
  if (reader.overrun || stride * rows > file.size() - pixel_offset)
    return refuse(problem, "the file ends inside its pixel rows");
  if (!allocate_pixels(image, stride * rows, problem)) return false;

  image->kind = bit_count == 8 ? PixelKind::indexed : bit_count == 24 ? PixelKind::rgb : PixelKind::rgbx;
  image->width = static_cast<uint32_t>(width);
  image->height = static_cast<uint32_t>(rows);
  image->row_bytes = static_cast<uint32_t>(stride);
  for (uint64_t stored = 0; stored < rows; ++stored) {
    std::span<const uint8_t> source = take_bytes(&reader, stride);
    if (source.empty()) return refuse(problem, "the file ends inside its pixel rows");
    const uint64_t top_row = height < 0 ? stored : rows - 1 - stored;
    uint8_t* row = image->pixels.data() + top_row * stride;
    std::memcpy(row, source.data(), source.size());
    // B G R (X) becomes R G B (X); bytes after the pixels stay as stored.
    if (pixel_size > 1) {
      for (uint64_t i = 0; i < pixel_bytes; i += pixel_size) std::swap(row[i], row[i + 2]);
    }
  }
  return true;
}
