// BMP files as paint programs write them: 1, 4 and 8-bit indexed (8 and 4-bit
// also run-length compressed), 16-bit (5-5-5, or the bit fields of 5-5-5,
// 5-6-5, 1-5-5-5 and 4-4-4-4), 24-bit, and 32-bit (also with the bit fields
// of B G R X, or of B G R A when an alpha mask names the fourth byte), with
// an info header of 40 to 124 bytes. Uncompressed 8, 24 and 32-bit rows are read where they lie and keep
// the stride the image-size field gives them, so that files with unpadded or
// overpadded rows come back as they were written; the others are decoded
// into the run's pixel buffer, one byte per index or R G B.
#include <cstdio>
#include <cstring>
#include <utility>

#include "bmp/bmp_reader.h"

#include "common/byte_reader.h"
#include "pix/pixel_types.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kMaskBytes = 12;    // red, green and blue masks
constexpr uint32_t kMasksOffset = 54;  // after a 40-byte header, or inside the longer ones
constexpr uint32_t kAlphaMaskHeaderBytes = 56;  // the shortest header holding an alpha mask after them
constexpr uint32_t kMaxColours = 256;

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

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

// A refusal that re-saving the image cures.
bool unsupported(std::string* problem, const std::string& text) {
  return refuse(problem, text + kResaveHint);
}

// The 16-bit layouts it reads are those of these PIX pixel types, whose
// channel table widens them as it widens theirs: x R5 G5 B5 (also what a
// 16-bit file without bit fields holds), R5 G6 B5, A1 R5 G5 B5 and
// A4 R4 G4 B4.
constexpr uint8_t kTypes16[] = {4, 5, 31, 32};
constexpr uint8_t kTypeUnmasked16 = 4;

uint32_t mask_of(ChannelBits channel) {
  return ((1u << channel.bits) - 1) << channel.shift;
}

// What the headers say.
struct BmpInfo {
  uint32_t pixel_offset = 0;
  uint32_t header_bytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t image_size = 0;
  uint32_t colours_used = 0;
  uint64_t rows = 0;
  bool top_down = false;
  uint64_t headers_end = 0;
  const PixelType* type16 = nullptr;  // 16-bit pixels: the layout of this type
  bool alpha = false;  // 32-bit pixels whose fourth byte the alpha mask names
};

// Checks the compression against the bit count, and the masks of bit
// fields. Returns false with `problem` set.
bool check_compression(ByteReader* reader, BmpInfo* info, std::string* problem) {
  const uint32_t compression = info->compression;
  const std::string refused = "a BMP compression it does not read (" + std::to_string(compression) +
                              compression_name(compression);
  if ((compression == kRle8 && info->bit_count != 8) || (compression == kRle4 && info->bit_count != 4))
    return unsupported(problem, refused + " on " + std::to_string(info->bit_count) + "-bit pixels)");
  if (compression == kRle8 || compression == kRle4) return true;
  if (info->bit_count == 16 && compression == kRgb) {
    info->type16 = find_pixel_type(kTypeUnmasked16);
    return true;
  }
  if (compression == kRgb) return true;
  if (compression != kBitFields) return unsupported(problem, refused + ")");
  if (info->bit_count != 16 && info->bit_count != 32)
    return unsupported(problem, refused + " on " + std::to_string(info->bit_count) + "-bit pixels)");
  // A 40-byte header is followed by the masks; the longer ones hold them.
  if (info->header_bytes == kInfoHeaderBytes) info->headers_end += kMaskBytes;
  seek_to(reader, kMasksOffset);
  const uint32_t red = read_u32le(reader), green = read_u32le(reader), blue = read_u32le(reader);
  const uint32_t alpha = info->header_bytes >= kAlphaMaskHeaderBytes ? read_u32le(reader) : 0;
  if (reader->overrun) return refuse(problem, "the file ends inside its BMP header");
  if (info->bit_count == 32 && red == 0x00FF0000 && green == 0x0000FF00 && blue == 0x000000FF) {
    info->alpha = alpha == 0xFF000000;
    return true;
  }
  for (uint8_t pix_type : kTypes16) {
    const PixelType* type = find_pixel_type(pix_type);
    if (info->bit_count == 16 && red == mask_of(type->red) && green == mask_of(type->green) &&
        blue == mask_of(type->blue) && alpha == mask_of(type->alpha))
      info->type16 = type;
  }
  if (info->type16 != nullptr) return true;
  std::string masks = " with masks " + hex32(red) + " " + hex32(green) + " " + hex32(blue);
  if (alpha != 0) masks.append(" ").append(hex32(alpha));
  return unsupported(problem, refused + masks + ")");
}

// The colour table of an indexed image: B G R x entries, where they lie.
bool read_colour_table(ByteReader* reader, const BmpInfo& info, DecodedImage* image, std::string* problem) {
  const uint32_t entries = info.colours_used == 0 ? 1u << info.bit_count : info.colours_used;
  if (entries > kMaxColours)
    return refuse(problem, "a colour table of " + std::to_string(entries) + " entries, more than 256");
  seek_to(reader, info.headers_end);
  std::span<const uint8_t> table = take_bytes(reader, uint64_t{entries} * 4);
  if (reader->overrun) return refuse(problem, "the file ends inside its colour table");
  if (info.headers_end + table.size() > info.pixel_offset)
    return refuse(problem, "a colour table of " + std::to_string(entries) + " entries running into the pixel rows at byte " +
                               std::to_string(info.pixel_offset));
  image->palette = table;
  image->palette_kind = PixelKind::bgrx;
  return true;
}

// The rows of an uncompressed 8, 24 or 32-bit file, where they lie. The
// image-size field tells the stride when it divides into rows that hold the
// pixels; otherwise rows are padded to 4 bytes.
bool stored_rows(std::span<const uint8_t> file, const BmpInfo& info, DecodedImage* image, std::string* problem) {
  const uint64_t pixel_bytes = uint64_t(info.width) * (info.bit_count / 8);
  uint64_t stride = (pixel_bytes + 3) / 4 * 4;
  if (info.image_size != 0 && info.image_size % info.rows == 0 && info.image_size / info.rows >= pixel_bytes)
    stride = info.image_size / info.rows;
  if (info.pixel_offset > file.size() || stride * info.rows > file.size() - info.pixel_offset)
    return refuse(problem, "the file ends inside its pixel rows");
  const uint8_t* first = file.data() + info.pixel_offset;
  image->kind = info.bit_count == 8    ? PixelKind::indexed
                : info.bit_count == 24 ? PixelKind::bgr
                : info.alpha           ? PixelKind::bgra
                                       : PixelKind::bgrx;
  image->top_row = info.top_down ? first : first + (info.rows - 1) * stride;
  image->row_step = info.top_down ? static_cast<int64_t>(stride) : -static_cast<int64_t>(stride);
  image->row_bytes = static_cast<uint32_t>(stride);
  image->stored_rows = true;
  return true;
}

// Uncompressed 1, 4 and 16-bit rows, decoded row by row: one byte per index,
// or R G B (A) widened from the little-endian words.
void decode_packed_row(const uint8_t* source, const BmpInfo& info, uint8_t* row) {
  const uint32_t width = static_cast<uint32_t>(info.width);
  if (info.bit_count == 16) {
    const PixelType& type = *info.type16;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t word = source[2 * x] | source[2 * x + 1] << 8;
      *row++ = widen_channel(word, type.red);
      *row++ = widen_channel(word, type.green);
      *row++ = widen_channel(word, type.blue);
      if (has_alpha(type)) *row++ = widen_channel(word, type.alpha);
    }
    return;
  }
  const uint32_t bits = info.bit_count, per_byte = 8 / bits, mask = (1u << bits) - 1;
  for (uint32_t x = 0; x < width; ++x) {
    const uint32_t shift = 8 - bits * (x % per_byte + 1);
    row[x] = static_cast<uint8_t>(source[x / per_byte] >> shift & mask);
  }
}

// Run-length rows (8 or 4 bits) into one byte per index. Pixels the
// runs skip keep index 0. Every step reads at least two bytes, so the
// loop ends within the file.
bool decode_runs(ByteReader* reader, const BmpInfo& info, uint8_t* pixels, std::string* problem) {
  const uint64_t width = static_cast<uint64_t>(info.width), rows = info.rows;
  const bool nibbles = info.bit_count == 4;
  std::memset(pixels, 0, width * rows);
  uint64_t x = 0, y = 0;  // y counts stored rows: bottom-up unless top-down
  auto put = [&](uint8_t index) {
    if (x < width && y < rows) pixels[(info.top_down ? y : rows - 1 - y) * width + x] = index;
    ++x;
  };
  while (true) {
    const uint8_t count = read_u8(reader), value = read_u8(reader);
    // Some writers end the last row without the end-of-picture mark.
    if (reader->overrun) return y >= rows || refuse(problem, "the file ends inside its run-length pixel data");
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) put(nibbles ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
      continue;
    }
    if (value == 0) {
      x = 0, ++y;  // end of the row
    } else if (value == 1) {
      return true;  // end of the picture
    } else if (value == 2) {
      x += read_u8(reader), y += read_u8(reader);
    } else {
      const uint64_t bytes = nibbles ? (value + 1u) / 2 : value;
      std::span<const uint8_t> run = take_bytes(reader, (bytes + 1) / 2 * 2);  // runs end on a 16-bit word
      if (reader->overrun) return refuse(problem, "the file ends inside its run-length pixel data");
      for (uint32_t i = 0; i < value; ++i) put(nibbles ? (i % 2 == 0 ? run[i / 2] >> 4 : run[i / 2] & 15) : run[i]);
    }
    if (y > rows) return true;
  }
}

// Decoded rows: run-length, or uncompressed 1, 4 and 16-bit ones.
bool decoded_rows(std::span<const uint8_t> file, const BmpInfo& info, ImageBuffers* buffers, DecodedImage* image,
                  std::string* problem) {
  const bool colours = info.bit_count == 16;
  const bool alpha = colours && has_alpha(*info.type16);
  const uint64_t row_bytes = uint64_t(info.width) * (alpha ? 4 : colours ? 3 : 1);
  ByteReader reader{file};
  seek_to(&reader, info.pixel_offset);
  if (reader.overrun) return refuse(problem, "the file ends inside its pixel rows");
  const uint64_t stride = (uint64_t(info.width) * info.bit_count + 31) / 32 * 4;
  const bool runs = info.compression == kRle8 || info.compression == kRle4;
  if (!runs && stride * info.rows > file.size() - info.pixel_offset)
    return refuse(problem, "the file ends inside its pixel rows");
  uint8_t* pixels = allocate_pixels(buffers, row_bytes * info.rows, problem);
  if (pixels == nullptr) return false;
  if (runs) {
    if (!decode_runs(&reader, info, pixels, problem)) return false;
  } else {
    for (uint64_t stored = 0; stored < info.rows; ++stored) {
      const uint64_t top_row = info.top_down ? stored : info.rows - 1 - stored;
      decode_packed_row(take_bytes(&reader, stride).data(), info, pixels + top_row * row_bytes);
    }
  }
  image->kind = alpha ? PixelKind::rgba : colours ? PixelKind::rgb : PixelKind::indexed;
  image->top_row = pixels;
  image->row_step = static_cast<int64_t>(row_bytes);
  image->row_bytes = static_cast<uint32_t>(row_bytes);
  return true;
}

}  // namespace

bool is_bmp_file(std::span<const uint8_t> start) {
  return start.size() >= 10 && start[0] == 'B' && start[1] == 'M' && start[6] == 0 && start[7] == 0 &&
         start[8] == 0 && start[9] == 0;
}

bool read_bmp(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem) {
  const std::string truncated_header = "the file ends inside its BMP header";
  ByteReader reader{file};
  BmpInfo info;
  seek_to(&reader, 10);
  info.pixel_offset = read_u32le(&reader);
  info.header_bytes = read_u32le(&reader);
  if (reader.overrun) return refuse(problem, truncated_header);
  if (info.header_bytes == kCoreHeaderBytes)
    return unsupported(problem, "a BMP core header (12 bytes), which it does not read");
  if (info.header_bytes < kInfoHeaderBytes || info.header_bytes > 124)
    return unsupported(problem, "a BMP info header of " + std::to_string(info.header_bytes) +
                                    " bytes, which it does not read (40 to 124)");
  if (file.size() < kFileHeaderBytes + info.header_bytes) return refuse(problem, truncated_header);

  info.width = static_cast<int32_t>(read_u32le(&reader));
  info.height = static_cast<int32_t>(read_u32le(&reader));
  const uint16_t planes = read_u16le(&reader);
  info.bit_count = read_u16le(&reader);
  info.compression = read_u32le(&reader);
  info.image_size = read_u32le(&reader);
  take_bytes(&reader, 8);  // resolution
  info.colours_used = read_u32le(&reader);
  info.headers_end = kFileHeaderBytes + info.header_bytes;

  if (planes != 1) return refuse(problem, "a BMP of " + std::to_string(planes) + " planes, not 1");
  const uint16_t bits = info.bit_count;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return unsupported(problem, "a BMP of " + std::to_string(bits) + " bits per pixel, which it does not read");
  if (!check_compression(&reader, &info, problem)) return false;

  // A negative height stores the rows top-down.
  info.top_down = info.height < 0;
  const int64_t rows = info.top_down ? -int64_t{info.height} : int64_t{info.height};
  if (!check_image_size(info.width, rows, file.size(), max_pixels, problem)) return false;
  info.rows = static_cast<uint64_t>(rows);
  if (bits <= 8) {
    if (!read_colour_table(&reader, info, image, problem)) return false;
  } else if (info.pixel_offset < info.headers_end) {
    return refuse(problem, "pixel rows starting at byte " + std::to_string(info.pixel_offset) + ", inside the headers");
  }
  image->width = static_cast<uint32_t>(info.width);
  image->height = static_cast<uint32_t>(info.rows);
  if ((bits == 8 || bits == 24 || bits == 32) && info.compression != kRle8)
    return stored_rows(file, info, image, problem);
  return decoded_rows(file, info, buffers, image, problem);
}
