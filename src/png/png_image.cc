#include "png/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "common/byte_buffer.h"
#include "fileio/output_tree.h"
#include "pix/pix_blocks.h"

namespace {

// What the encoder is asked to write, all of it checked to lie inside the
// loaded file before encoding starts.
struct PngRequest {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t row_bytes = 0;          // from one stored row to the next
  const PixelType* type = nullptr;
  const uint8_t* first_row = nullptr;
  const PaletteTable* colours = nullptr;
  bool transparent = false;
  uint8_t* row_buffer = nullptr;   // width x 4 bytes, for rows that are decoded
};

// The encoded file, growing in a buffer the run reuses.
struct PngOutput {
  ByteBuffer* buffer = nullptr;
  size_t size = 0;
  char message[128] = {};  // libpng's reason, when encoding fails
};

void append_output(png_structp png, png_bytep data, size_t length) {
  auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
  if (grow_bytes(output->buffer, output->size, output->size + length) == nullptr) png_error(png, "out of memory");
  std::memcpy(output->buffer->bytes + output->size, data, length);
  output->size += length;
}

void flush_output(png_structp) {}

// libpng's failures end encode_png through its jump buffer; the reason is
// kept for the message, and nothing is printed by libpng itself.
[[noreturn]] void on_png_error(png_structp png, png_const_charp message) {
  auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
  std::snprintf(output->message, sizeof output->message, "%s", message);
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Chosen by measuring the benchmark's game corpus (bench/README.md): level 4
// is the fastest of zlib's lazy-matching levels, 8x the time of the BMP run
// for 30% of its bytes (level 1: 5x for 35%, level 6: 21x for 28%, level 9:
// 75x for 28%). Filters cost time and gain nothing on indexed images, whose
// neighbouring index values are unrelated numbers; true colour images get
// libpng's adaptive choice.
constexpr int kCompressionLevel = 4;

constexpr uint8_t kRgb[] = {kRed, kGreen, kBlue};
constexpr uint8_t kRgba[] = {kRed, kGreen, kBlue, kAlpha};

// Indices and R G B pixels are written as stored, X R G B ones without
// their first byte; the newer types are decoded.
const uint8_t* row_to_write(const PngRequest& request, uint32_t y) {
  const uint8_t* stored = request.first_row + uint64_t{y} * request.row_bytes;
  const PixelType& type = *request.type;
  if (type.indexed || type.type == kPixTypeRgb) return stored;
  if (type.type == kPixTypeXrgb) {
    for (uint32_t x = 0; x < request.width; ++x) std::memcpy(request.row_buffer + 3 * x, stored + 4 * x + 1, 3);
    return request.row_buffer;
  }
  decode_pixels(type, stored, request.width, has_alpha(type) ? std::span<const uint8_t>(kRgba) : kRgb,
                request.row_buffer);
  return request.row_buffer;
}

// Encodes the image into `output`. Returns true, or false with the reason in
// output->message. Everything that must outlive a jump out of libpng is
// owned by the caller: this frame holds only libpng's own records.
bool encode_png(const PngRequest& request, PngOutput* output) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, output, on_png_error, on_png_warning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(output->message, sizeof output->message, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, output, append_output, flush_output);
  const bool indexed = request.type->indexed;
  const int colour_type = indexed                     ? PNG_COLOR_TYPE_PALETTE
                          : has_alpha(*request.type) ? PNG_COLOR_TYPE_RGB_ALPHA
                                                     : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, request.width, request.height, 8, colour_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) {
    png_color colours[kPaletteEntries];
    for (size_t i = 0; i < kPaletteEntries; ++i) {
      const uint8_t* entry = request.colours->data() + 4 * i;  // B G R 0
      colours[i] = {entry[2], entry[1], entry[0]};
    }
    png_set_PLTE(png, info, colours, kPaletteEntries);
    png_byte opacity[1] = {0};  // index 0 fully transparent, all others opaque
    if (request.transparent) png_set_tRNS(png, info, opacity, 1, nullptr);
  }
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, indexed ? PNG_FILTER_NONE : PNG_ALL_FILTERS);
  png_write_info(png, info);
  for (uint32_t y = 0; y < request.height; ++y) png_write_row(png, row_to_write(request, y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

int write_png_image(const Texture& texture, const PaletteTable* colours, const RunOptions& options,
                    const TextureLabel& label, const OutputFile& file) {
  FILE* err = file.err;
  const PixHeader& header = *texture.header;
  const PixPixels& pixels = *texture.image;
  const PixelType* type = texture_pixel_type(texture);
  if (header.width == 0 || header.height == 0) {
    print_texture_error(err, label, "a PNG image needs at least one row and one column\n");
    return 1;
  }

  ByteBuffer own_buffer;
  ByteBuffer row_buffer;
  PngOutput output;
  output.buffer = file.buffer != nullptr ? file.buffer : &own_buffer;
  PngRequest request;
  request.width = header.width;
  request.height = header.height;
  request.row_bytes = header.row_bytes;
  request.type = type;
  request.first_row = pixels.to_file_end.data();
  request.colours = colours;
  request.transparent = options.transparent == 1;
  request.row_buffer = reserve_bytes(&row_buffer, uint64_t{header.width} * 4);

  int result = 0;
  if (request.row_buffer == nullptr) std::snprintf(output.message, sizeof output.message, "out of memory");
  if (request.row_buffer == nullptr || !encode_png(request, &output)) {
    print_texture_error(err, label, "");
    std::fprintf(err, "the PNG image cannot be made: %s\n", output.message);
    result = 1;
  } else if (output.size > UINT32_MAX ||
             write_output_file(file.tree, file.path, output.buffer->bytes,
                               static_cast<uint32_t>(output.size), err, kPixSignature) != 0) {
    // As for BMP files, a PIX file is never replaced.
    std::fprintf(err, "Could not write to destination file %s\n", file.path);
    result = 1;
  }
  release_bytes(&row_buffer);
  release_bytes(&own_buffer);
  return result;
}
