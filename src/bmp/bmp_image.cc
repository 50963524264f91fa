#include "bmp/bmp_image.h"

#include <algorithm>
#include <cstring>

#include "fileio/output_tree.h"
#include "pix/pix_blocks.h"

namespace {

constexpr uint32_t kHeaderBytes = sizeof(BmpHeader);
constexpr uint32_t kPalettedPixelOffset = kHeaderBytes + kPaletteBytes;  // 1078

// Where output byte j of the pixel array comes from in the stored bytes: the
// row reversal first, then the byte reversal within a pixel. Used for the
// rare rows that end inside a pixel, which whole-row copies cannot handle.
uint64_t source_of(uint64_t j, const PixelOrder& order) {
  uint64_t k = j;
  uint64_t reversed_extent = order.reverse_rows ? uint64_t{order.row_length} * order.row_count : 0;
  if (j < reversed_extent) {
    uint64_t row = j / order.row_length;
    k = (order.row_count - 1 - row) * order.row_length + j % order.row_length;
  }
  if (order.stride != 0 && k / order.stride < order.pixel_count)
    k = k - k % order.stride + (order.stride - 1 - k % order.stride);
  return k;
}

// Copies `count` whole pixels of `stride` bytes, reversing the bytes of
// each. The common strides get loops of their own; each pixel is read whole
// before it is written, so that the compiler need not assume that a store
// changes the bytes still to be read.
void reverse_pixels(uint8_t* out, const uint8_t* pixels, uint64_t count, uint64_t stride) {
  if (stride == 4) {
    for (uint64_t p = 0; p < count; ++p) {
      const uint8_t b0 = pixels[4 * p], b1 = pixels[4 * p + 1], b2 = pixels[4 * p + 2], b3 = pixels[4 * p + 3];
      out[4 * p] = b3;
      out[4 * p + 1] = b2;
      out[4 * p + 2] = b1;
      out[4 * p + 3] = b0;
    }
  } else if (stride == 3) {
    for (uint64_t p = 0; p < count; ++p) {
      const uint8_t b0 = pixels[3 * p], b1 = pixels[3 * p + 1], b2 = pixels[3 * p + 2];
      out[3 * p] = b2;
      out[3 * p + 1] = b1;
      out[3 * p + 2] = b0;
    }
  } else {
    for (uint64_t p = 0; p < count; ++p)
      for (uint64_t r = 0; r < stride; ++r) out[p * stride + r] = pixels[p * stride + stride - 1 - r];
  }
}

// Copies `length` stored bytes from `from`, a pixel boundary, to `to`, each
// pixel among the first pixel_count with its bytes reversed.
void copy_segment(std::span<uint8_t> out, std::span<const uint8_t> stored, uint64_t to,
                  uint64_t from, uint64_t length, const PixelOrder& order) {
  const uint64_t stride = order.stride;
  uint64_t plain_from = 0;  // bytes from here on are copied as they are
  if (stride != 0 && from / stride < order.pixel_count) {
    uint64_t pixels = std::min<uint64_t>(order.pixel_count - from / stride, (length + stride - 1) / stride);
    // The segment may end inside its last pixel: that one takes only the
    // bytes that fit, still counted from the pixel's last stored byte.
    uint64_t whole = std::min<uint64_t>(pixels, length / stride);
    reverse_pixels(out.data() + to, stored.data() + from, whole, stride);
    if (whole < pixels) {
      const uint8_t* pixel = stored.data() + from + whole * stride;
      uint64_t bytes = length - whole * stride;
      for (uint64_t r = 0; r < bytes; ++r) out[to + whole * stride + r] = pixel[stride - 1 - r];
    }
    plain_from = std::min<uint64_t>(length, pixels * stride);
  }
  if (plain_from < length)
    std::memcpy(out.data() + to + plain_from, stored.data() + from + plain_from, length - plain_from);
}

}  // namespace

void build_bmp_header(BmpHeader* header, int32_t width, int32_t height, int32_t row_bytes,
                      uint16_t bit_count) {
  uint32_t magnitude = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
  uint32_t image_size = static_cast<uint32_t>(row_bytes) * magnitude;
  uint32_t pixel_offset = bit_count == 8 ? kPalettedPixelOffset : kHeaderBytes;
  *header = BmpHeader{};
  header->signature = swap16(0x424D);  // "BM" once stored little-endian
  header->file_size = image_size + pixel_offset;
  header->pixel_data_offset = pixel_offset;
  header->info_header_size = 40;
  header->width = width;
  header->height = height;
  header->planes = 1;
  header->bit_count = bit_count;
  header->image_size = image_size;
}

void copy_pixel_array(std::span<uint8_t> out, std::span<const uint8_t> stored, const PixelOrder& order) {
  const uint64_t size = out.size();
  if (order.stride != 0 && order.row_length % order.stride != 0) {
    for (uint64_t j = 0; j < size; ++j) out[j] = stored[source_of(j, order)];
    return;
  }
  // Rows hold whole pixels: copy them row by row. The geometry is read into
  // locals once: the copies could otherwise change it, as far as the
  // compiler knows.
  uint64_t reversed_extent = 0;
  const uint64_t row_length = order.row_length;
  const uint64_t row_count = order.row_count;
  if (order.reverse_rows && row_length != 0) {
    reversed_extent = row_length * row_count;
    const bool plain_rows = order.stride == 0;  // 8-bit rows are copied as they are
    uint8_t* to = out.data();
    for (uint64_t row = 0; row < row_count && row * row_length < size; ++row, to += row_length) {
      uint64_t from = (row_count - 1 - row) * row_length;
      uint64_t length = std::min<uint64_t>(row_length, size - row * row_length);
      if (plain_rows)
        std::memcpy(to, stored.data() + from, length);
      else
        copy_segment(out, stored, row * row_length, from, length, order);
    }
  }
  if (reversed_extent < size)
    copy_segment(out, stored, reversed_extent, reversed_extent, size - reversed_extent, order);
}

namespace {

// The fields of a BITMAPV5HEADER after those of a BITMAPINFOHEADER: masks
// that say where R, G, B and A lie in a 32-bit pixel, which is how browsers,
// PIL and paint programs learn that the fourth byte is alpha.
#pragma pack(push, 1)
struct BmpV5Fields {
  uint32_t red_mask;
  uint32_t green_mask;
  uint32_t blue_mask;
  uint32_t alpha_mask;
  uint32_t colour_space;
  uint8_t endpoints[36];
  uint32_t gamma[3];
  uint32_t intent;
  uint32_t profile_data;
  uint32_t profile_size;
  uint32_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(BmpV5Fields) == 84);

constexpr uint32_t kBitFields = 3;             // BI_BITFIELDS
constexpr uint32_t kSrgb = 0x73524742;         // LCS_sRGB, "sRGB"
constexpr uint32_t kIntentImages = 4;          // LCS_GM_IMAGES
constexpr uint8_t kBgr[] = {kBlue, kGreen, kRed};
constexpr uint8_t kBgra[] = {kBlue, kGreen, kRed, kAlpha};

// The file the newer types become: their pixels decoded into rows padded to
// 4 bytes, B G R, or with alpha B G R A under a BITMAPV5 header. The rows
// lie in the file (the caller checked them).
struct DecodedLayout {
  bool alpha;
  uint64_t row_bytes;
  uint64_t header_bytes;
  uint64_t file_bytes;
};

DecodedLayout decoded_layout(const PixHeader& header, const PixelType& type) {
  DecodedLayout layout;
  layout.alpha = has_alpha(type);
  layout.row_bytes = layout.alpha ? uint64_t{header.width} * 4 : (uint64_t{header.width} * 3 + 3) / 4 * 4;
  layout.header_bytes = kHeaderBytes + (layout.alpha ? sizeof(BmpV5Fields) : 0);
  layout.file_bytes = layout.header_bytes + layout.row_bytes * header.height;
  return layout;
}

void fill_decoded(uint8_t* buffer, const DecodedLayout& layout, const Texture& texture, const PixelType& type,
                  bool top_down) {
  const PixHeader& header = *texture.header;
  BmpHeader bmp_header;
  build_bmp_header(&bmp_header, header.width, top_down ? -int32_t{header.height} : header.height,
                   static_cast<int32_t>(layout.row_bytes), static_cast<uint16_t>(layout.alpha ? 32 : 24));
  if (layout.alpha) {
    bmp_header.file_size += sizeof(BmpV5Fields);
    bmp_header.pixel_data_offset += sizeof(BmpV5Fields);
    bmp_header.info_header_size += sizeof(BmpV5Fields);
    bmp_header.compression = kBitFields;
    BmpV5Fields fields{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, kSrgb, {}, {}, kIntentImages, 0, 0, 0};
    std::memcpy(buffer + kHeaderBytes, &fields, sizeof fields);
  }
  std::memcpy(buffer, &bmp_header, kHeaderBytes);
  const std::span<const uint8_t> order = layout.alpha ? std::span<const uint8_t>(kBgra) : kBgr;
  uint8_t* row = buffer + layout.header_bytes;
  for (uint32_t y = 0; header.width != 0 && y < header.height; ++y, row += layout.row_bytes) {
    const uint32_t stored_row = top_down ? y : header.height - 1u - y;
    decode_pixels(type, texture.image->to_file_end.data() + uint64_t{stored_row} * header.row_bytes, header.width,
                  order, row);
    const uint64_t pixel_bytes = uint64_t{header.width} * order.size();
    std::memset(row + pixel_bytes, 0, layout.row_bytes - pixel_bytes);
  }
}

}  // namespace

int write_bmp_image(const Texture& texture, const PaletteTable* colours, const RunOptions& options,
                    const TextureLabel& label, const OutputFile& file) {
  FILE* err = file.err;
  const PixHeader& header = *texture.header;
  const PixPixels& pixels = *texture.image;
  const PixelType& type = *texture_pixel_type(texture);

  // 8-bit textures, Splat Pack ones included, carry a full colour table,
  // whatever size a Splat Pack texture's own palette pixelmap declares.
  const bool paletted = type.indexed;
  const uint64_t palette_bytes = paletted ? kPaletteBytes : 0;
  const uint32_t picture_elements = picture_element_count(header, pixels);
  const uint64_t pixel_bytes = uint64_t{picture_elements} * pixels.element_size;
  const DecodedLayout decoded = decoded_layout(header, type);
  const uint64_t file_bytes = type.newer ? decoded.file_bytes : kHeaderBytes + palette_bytes + pixel_bytes;

  // Never more than the header, a palette and the pixel bytes the file holds
  // (twice them for decoded pixels). The run's image buffer, or one for this
  // texture alone.
  ByteBuffer own_buffer;
  ByteBuffer* image_buffer = file.buffer != nullptr ? file.buffer : &own_buffer;
  uint8_t* buffer = file_bytes <= UINT32_MAX ? reserve_bytes(image_buffer, file_bytes) : nullptr;
  if (buffer == nullptr) {
    std::fprintf(err, "Couldn't allocate memory for the destination BMP file %s\n", file.path);
    return 1;
  }

  if (type.newer) {
    fill_decoded(buffer, decoded, texture, type, options.top_down == 1);
  } else {
    PixelOrder order;
    const uint16_t bit_count = static_cast<uint16_t>(8 * type.element_bytes);
    order.stride = paletted ? 0 : type.element_bytes;
    order.row_length = header.row_bytes;
    order.row_count = header.height;
    order.reverse_rows = options.top_down != 1;
    order.pixel_count = order.stride != 0 ? picture_elements : 0;

    // The geometry may address bytes beyond the pixel bytes, but never beyond
    // the end of the file.
    const uint64_t available = pixels.to_file_end.size();
    bool rows_fit = !order.reverse_rows || uint64_t{order.row_length} * order.row_count <= available;
    bool pixels_fit = uint64_t{order.stride} * order.pixel_count <= available;
    if (!rows_fit || !pixels_fit) {
      print_texture_error(err, label, "pixel data does not fit the file\n");
      release_bytes(&own_buffer);
      return 1;
    }

    BmpHeader bmp_header;
    int32_t height = order.reverse_rows ? header.height : -int32_t{header.height};
    build_bmp_header(&bmp_header, header.width, height, header.row_bytes, bit_count);
    std::memcpy(buffer, &bmp_header, kHeaderBytes);
    if (paletted) std::memcpy(buffer + kHeaderBytes, colours->data(), kPaletteBytes);
    copy_pixel_array({buffer + kHeaderBytes + palette_bytes, pixel_bytes}, pixels.to_file_end, order);
  }

  int result = 0;
  // A texture name can equal a PIX file's name; with the destination inside
  // the source, its BMP file must never replace that PIX file.
  if (write_output_file(file.tree, file.path, buffer, static_cast<uint32_t>(file_bytes), err, kPixSignature) != 0) {
    std::fprintf(err, "Could not write to destination file %s\n", file.path);
    result = 1;
  }
  release_bytes(&own_buffer);
  return result;
}
