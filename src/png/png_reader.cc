// PNG files of every colour type and bit depth through libpng, read from
// memory. Palette images stay indexed (one byte per index); everything else
// becomes 8-bit R G B, or R G B A when the image has alpha or a tRNS chunk.
// Stored sample values are kept: no gamma or colour-management transform,
// and the chunks that carry such information are not even parsed.
//
// The file is handed to libpng's progressive reader piece by piece, and
// reading stops once the last row is in: compressed data after it is never
// inflated, however much of it follows, and chunks after the image data
// are not looked at.
//
// libpng reports errors by longjmp. The one function that calls it with a
// setjmp frame (feed_png) keeps everything in a PngRead whose members are
// all trivially destructible, and so do the callbacks it runs; every buffer
// is owned outside.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "png/png_reader.h"

#include "common/byte_reader.h"

namespace {

// Caps on what libpng allocates for ancillary chunks it keeps, though with
// all of them discarded unread (see on_info) these only guard the rest.
constexpr png_alloc_size_t kChunkMallocMax = 1 << 20;
constexpr png_uint_32 kChunkCacheMax = 128;

// The file goes to libpng in pieces of this size: after the last row at
// most one more piece is looked at.
constexpr size_t kPieceBytes = 64 * 1024;

struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::span<const uint8_t> file;
  size_t fed = 0;          // bytes of the file libpng has taken
  char message[160] = {};  // libpng's error
  // Filled by on_info, after the transforms.
  bool have_info = false;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int colour_type = 0;
  int passes = 1;
  png_byte channels = 0;
  png_size_t row_bytes = 0;
  int palette_entries = 0;
  png_byte palette[256 * 4] = {};  // R G B A
  // Where the rows go, and whether the last one is in.
  png_bytep pixels = nullptr;
  bool rows_done = false;
};

PngRead* read_of(png_structp png) { return static_cast<PngRead*>(png_get_error_ptr(png)); }

// Records the message and returns to the setjmp frame; nothing is printed.
[[noreturn]] void on_png_error(png_structp png, png_const_charp message) {
  PngRead* read = read_of(png);
  std::snprintf(read->message, sizeof read->message, "%s", message != nullptr ? message : "unknown error");
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// After the chunks before the image data: sets the transforms, fills the
// image's shape and palette, and pauses the reading, so that the rows get
// their room before they come.
void on_info(png_structp png, png_infop info) {
  PngRead* read = read_of(png);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour_type = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour_type, &interlace, nullptr, nullptr);
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
  read->passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  read->width = width;
  read->height = height;
  read->colour_type = colour_type;
  read->channels = png_get_channels(png, info);
  read->row_bytes = png_get_rowbytes(png, info);
  read->have_info = true;
  // What libpng has not taken of the piece it was given comes again.
  read->fed -= png_process_data_pause(png, 0);
}

// Each row, or for an interlaced image each row of each pass (null where a
// pass leaves the row as it is), merged into its place.
void on_row(png_structp png, png_bytep row, png_uint_32 number, int pass) {
  PngRead* read = read_of(png);
  if (number >= read->height || read->pixels == nullptr) return;
  png_progressive_combine_row(png, read->pixels + uint64_t{number} * read->row_bytes, row);
  if (number + 1 == read->height && pass + 1 >= read->passes) read->rows_done = true;
}

// Hands the file to libpng, a piece at a time, until the rows may be made
// room for (`rows` false) or the last row is in. False after a libpng
// error; one in what follows the last row (the rest of its piece) is not
// looked at.
bool feed_png(PngRead* read, bool rows) {
  if (setjmp(png_jmpbuf(read->png)) != 0) return rows && read->rows_done;
  while (read->fed < read->file.size() && !(rows ? read->rows_done : read->have_info)) {
    const size_t piece = std::min(kPieceBytes, read->file.size() - read->fed);
    auto* bytes = const_cast<png_bytep>(read->file.data() + read->fed);  // libpng only reads them
    read->fed += piece;
    png_process_data(read->png, read->info, bytes, piece);
  }
  return true;
}

bool damaged(const PngRead& read, std::string* problem) {
  *problem = std::string("a damaged PNG file: ") + read.message;
  return false;
}

bool decode_png(PngRead* read, uint64_t max_pixels, ImageBuffers* buffers, DecodedImage* image, std::string* problem) {
  // The sides, straight from IHDR (the first chunk), so that an oversized
  // one is named, and a file larger than such an image needs is refused
  // before libpng reads anything; libpng's user limits hold too.
  ByteReader ihdr{read->file};
  seek_to(&ihdr, 12);
  const uint32_t type = read_u32be(&ihdr);
  const uint32_t width = read_u32be(&ihdr);
  const uint32_t height = read_u32be(&ihdr);
  if (!ihdr.overrun && type == 0x49484452 && !check_image_size(width, height, read->file.size(), max_pixels, problem))
    return false;

  png_structp png = read->png;
  png_set_progressive_read_fn(png, read, on_info, on_row, nullptr);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(png, kChunkMallocMax);
  png_set_chunk_cache_max(png, kChunkCacheMax);
  // Every ancillary chunk but tRNS (gamma, profiles, text, time...) and
  // every unknown chunk is skipped unparsed.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  if (!feed_png(read, false)) return damaged(*read, problem);
  if (!read->have_info) {
    std::snprintf(read->message, sizeof read->message, "the file ends before its image data");
    return damaged(*read, problem);
  }
  if (!check_image_size(read->width, read->height, read->file.size(), max_pixels, problem)) return false;
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
  if (size > decoded_bytes_limit(read->file.size())) {
    *problem = std::to_string(read->width) + " x " + std::to_string(read->height) + " pixels of " +
               std::to_string(read->channels) + " bytes: decoded it would need " + std::to_string(size) +
               " bytes, more than a PNG of this size can hold";
    return false;
  }
  // Every pixel is written by the pass it belongs to: an image whose last
  // row came in needs no clearing.
  read->pixels = allocate_pixels(buffers, size, problem);
  if (read->pixels == nullptr) return false;
  if (!feed_png(read, true)) return damaged(*read, problem);
  if (!read->rows_done) {
    std::snprintf(read->message, sizeof read->message, "the file ends inside its image data");
    return damaged(*read, problem);
  }

  image->kind = kind;
  image->width = read->width;
  image->height = read->height;
  image->top_row = read->pixels;
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
  read.file = file;
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
