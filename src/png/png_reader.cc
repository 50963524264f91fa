// PNG files of every colour type and bit depth through libpng, read from
// memory. Palette images stay indexed (one byte per index); everything else
// becomes 8-bit R G B, or R G B A when the image has alpha or a tRNS chunk.
// Stored sample values are kept: no gamma or colour-management transform,
// and the chunks that carry such information are not even parsed.
//
// libpng reports errors by longjmp. The two functions that call it with a
// setjmp frame (start_png, finish_png) keep everything in a PngRead whose
// members are all trivially destructible; every buffer is owned outside.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "png/png_reader.h"

#include "common/byte_reader.h"

namespace {

// Caps on what libpng allocates for ancillary chunks it keeps, though with
// all of them discarded unread (see start_png) these only guard the rest.
constexpr png_alloc_size_t kChunkMallocMax = 1 << 20;
constexpr png_uint_32 kChunkCacheMax = 128;

struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ByteReader source;
  char message[160] = {};  // libpng's error, or ours from read_from_memory
  // Filled by start_png, after the transforms.
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int colour_type = 0;
  png_byte channels = 0;
  png_size_t row_bytes = 0;
  int palette_entries = 0;
  png_byte palette[256 * 4] = {};  // R G B A
};

PngRead* read_of(png_structp png) { return static_cast<PngRead*>(png_get_error_ptr(png)); }

// Records the message and returns to the setjmp frame; nothing is printed.
[[noreturn]] void on_png_error(png_structp png, png_const_charp message) {
  PngRead* read = read_of(png);
  std::snprintf(read->message, sizeof read->message, "%s", message != nullptr ? message : "unknown error");
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

void read_from_memory(png_structp png, png_bytep out, png_size_t length) {
  std::span<const uint8_t> bytes = take_bytes(&static_cast<PngRead*>(png_get_io_ptr(png))->source, length);
  if (bytes.size() != length) png_error(png, "the file ends early");
  std::memcpy(out, bytes.data(), length);
}

// Reads up to the image data, sets the transforms and fills the image's
// shape and palette in `read`. False after a libpng error.
bool start_png(PngRead* read) {
  png_structp png = read->png;
  png_infop info = read->info;
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_read_fn(png, read, read_from_memory);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(png, kChunkMallocMax);
  png_set_chunk_cache_max(png, kChunkCacheMax);
  // Every ancillary chunk but tRNS (gamma, profiles, text, time...) and
  // every unknown chunk is skipped unparsed.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colour_type = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour_type, nullptr, nullptr, nullptr);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colour_type == PNG_COLOR_TYPE_PALETTE) {
    png_set_packing(png);  // 1, 2 and 4-bit indices to one byte each
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    png_bytep alpha = nullptr;
    int alpha_count = 0;
    if (transparency) png_get_tRNS(png, info, &alpha, &alpha_count, nullptr);
    read->palette_entries = count < 0 ? 0 : count > 256 ? 256 : count;
    for (int i = 0; i < read->palette_entries; ++i) {
      read->palette[4 * i] = entries[i].red;
      read->palette[4 * i + 1] = entries[i].green;
      read->palette[4 * i + 2] = entries[i].blue;
      read->palette[4 * i + 3] = alpha != nullptr && i < alpha_count ? alpha[i] : 255;
    }
  } else {
    if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (transparency) png_set_tRNS_to_alpha(png);  // never on palettes: it would expand them
    if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  }
  png_set_strip_16(png);  // the high byte of each 16-bit sample
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  read->width = width;
  read->height = height;
  read->colour_type = colour_type;
  read->channels = png_get_channels(png, info);
  read->row_bytes = png_get_rowbytes(png, info);
  return true;
}

// Decodes every row into `rows` and reads to the end of the file, checking
// the remaining chunks. False after a libpng error.
bool finish_png(PngRead* read, png_bytepp rows) {
  if (setjmp(png_jmpbuf(read->png)) != 0) return false;
  png_read_image(read->png, rows);
  png_read_end(read->png, nullptr);
  return true;
}

bool damaged(const PngRead& read, std::string* problem) {
  *problem = std::string("a damaged PNG file: ") + read.message;
  return false;
}

bool decode_png(PngRead* read, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image, std::string* problem) {
  // The sides, straight from IHDR (the first chunk), so that an oversized
  // one is named; libpng then refuses it anyway through its user limits.
  ByteReader ihdr{read->source.bytes};
  seek_to(&ihdr, 12);
  const uint32_t type = read_u32be(&ihdr);
  const uint32_t width = read_u32be(&ihdr);
  const uint32_t height = read_u32be(&ihdr);
  if (!ihdr.overrun && type == 0x49484452 && !check_image_size(width, height, max_pixels, problem)) return false;

  if (!start_png(read)) return damaged(*read, problem);
  if (!check_image_size(read->width, read->height, max_pixels, problem)) return false;
  const bool indexed = read->colour_type == PNG_COLOR_TYPE_PALETTE;
  const PixelKind kind = indexed ? PixelKind::indexed : read->channels == 4 ? PixelKind::rgba : PixelKind::rgb;
  if ((indexed ? 1 : read->channels == 4 ? 4 : 3) != read->channels ||
      read->row_bytes != uint64_t{read->width} * read->channels) {
    *problem = "a PNG layout it does not read (" + std::to_string(read->channels) + " channels)";
    return false;
  }
  if (indexed && read->palette_entries == 0) {
    *problem = "a palette PNG without palette entries";
    return false;
  }
  const uint64_t size = uint64_t{read->row_bytes} * read->height;
  if (size > decoded_bytes_limit(read->source.bytes.size())) {
    *problem = std::to_string(read->width) + " x " + std::to_string(read->height) + " pixels of " +
               std::to_string(read->channels) + " bytes: decoded it would need " + std::to_string(size) +
               " bytes, more than a PNG of this size can hold";
    return false;
  }
  uint8_t* pixels = allocate_pixels(buffers, size, problem);
  if (pixels == nullptr) return false;
  std::vector<png_bytep> rows;
  try {
    rows.resize(read->height);
  } catch (const std::bad_alloc&) {
    *problem = "not enough memory for its row table";
    return false;
  }
  for (png_uint_32 y = 0; y < read->height; ++y) rows[y] = pixels + uint64_t{y} * read->row_bytes;
  if (!finish_png(read, rows.data())) return damaged(*read, problem);

  image->kind = kind;
  image->width = read->width;
  image->height = read->height;
  image->top_row = pixels;
  image->row_step = static_cast<int64_t>(read->row_bytes);
  image->row_bytes = static_cast<uint32_t>(read->row_bytes);
  if (indexed) {
    try {
      buffers->palette.assign(read->palette, read->palette + 4 * read->palette_entries);
    } catch (const std::bad_alloc&) {
      *problem = "not enough memory for its palette";
      return false;
    }
    image->palette = buffers->palette;
    image->palette_kind = PixelKind::rgba;
  }
  return true;
}

}  // namespace

bool is_png_file(std::span<const uint8_t> start) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return start.size() >= sizeof kSignature && std::memcmp(start.data(), kSignature, sizeof kSignature) == 0;
}

bool read_png(std::span<const uint8_t> file, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image,
              std::string* problem) {
  PngRead read;
  read.source.bytes = file;
  read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, on_png_error, on_png_warning);
  if (read.png != nullptr) read.info = png_create_info_struct(read.png);
  bool decoded = false;
  if (read.info == nullptr) {
    *problem = "not enough memory to start libpng";
  } else {
    decoded = decode_png(&read, max_pixels, buffers, image, problem);
  }
  png_destroy_read_struct(&read.png, &read.info, nullptr);
  return decoded;
}
