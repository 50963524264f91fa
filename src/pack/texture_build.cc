#include "pack/texture_build.h"

#include <algorithm>
#include <cstring>

#include "pix/pix_blocks.h"
#include "pix/pixel_types.h"

namespace {

constexpr uint32_t kMaxRowBytes = 65535;
// Palettes this close count as the same: the game's own palette file and
// the built-in race palette differ in one entry.
constexpr int kSamePaletteEntries = 8;
constexpr uint8_t kRgba[] = {kRed, kGreen, kBlue, kAlpha};

// The pixel type an image gives a new texture.
uint8_t pix_type_of(PixelKind kind) {
  switch (kind) {
    case PixelKind::indexed: return kPixType8Bit;
    case PixelKind::rgb:
    case PixelKind::bgr: return kPixTypeRgb;
    default: return kPixTypeXrgb;
  }
}

// How many of the 256 entries of the image's palette differ from `table`'s
// colours (257 for a palette of another size). A BMP table that is the
// palette byte for byte (B G R 0) is told at once.
int entries_differing(const DecodedImage& image, const PaletteTable& table) {
  if (image.palette.size() != kPaletteBytes) return kPaletteEntries + 1;
  if (image.palette_kind == PixelKind::bgrx && std::memcmp(image.palette.data(), table.data(), kPaletteBytes) == 0)
    return 0;
  int differing = 0;
  uint8_t alpha = 0;
  for (uint32_t i = 0; i < kPaletteEntries; ++i)
    differing += palette_entry(image, i, &alpha) != palette_colour(table, static_cast<uint8_t>(i));
  return differing;
}

// What one texture is made of, worked out before its pixels.
struct Layout {
  uint8_t pix_type = kPixType8Bit;
  const PixelType* type = nullptr;  // pix_type's entry
  bool splat_pack = false;
  uint32_t bytes_per_pixel = 1;
  uint32_t row_bytes = 0;
  uint64_t pixel_row = 0;            // bytes of a row's pixels
  bool from_rows = false;            // the image's rows are the texture's, bytes after the pixels included
  const OldTexture* same = nullptr;  // the old texture, when it has this type and these sizes
  bool keep_indices = false;
  ColourMatch* colours = nullptr;    // 8-bit textures whose colours are matched
};

// The old texture's byte at `offset` of its pixels, or 0 past them.
uint8_t old_byte(const OldTexture* old, uint64_t offset) {
  return old != nullptr && offset < old->image.pixels.size() ? old->image.pixels[offset] : 0;
}

// Decides the 8-bit pixels: indices kept, colours matched against the run's
// palette or the texture's own, or refused for a palette of another run.
bool choose_colours(const DecodedImage& image, const OldTexture* old, const TextureContext& context, Layout* layout,
                    std::string* problem) {
  const RunPalettes& palettes = *context.palettes;
  layout->colours = context.run_colours;
  int own_differing = kPaletteEntries + 1;
  if (layout->splat_pack && old->palette.pixels.size() == kPaletteBytes) {
    const PaletteTable own = palette_from_xrgb(old->palette.pixels.first<kPaletteBytes>());
    if (!set_colour_match(context.own_colours, own)) {
      *problem = "not enough memory to match its colours";
      return false;
    }
    layout->colours = context.own_colours;
    own_differing = entries_differing(image, own);
  }
  if (image.kind != PixelKind::indexed) return true;
  const int run_differing = entries_differing(image, *palettes.run);
  layout->keep_indices = run_differing == 0 || own_differing == 0;
  if (layout->keep_indices || run_differing <= kSamePaletteEntries || own_differing <= kSamePaletteEntries) return true;
  for (const auto& [table, name] : palettes.others) {
    if (entries_differing(image, *table) > kSamePaletteEntries) continue;
    *problem = "its colour table is the palette " + name + ", not the run's " + palettes.run_name +
               ": pack with the palette it was extracted with (" + name + ")";
    return false;
  }
  return true;
}

// Works out the texture's type and rows. False with `problem` set.
bool lay_out(const DecodedImage& image, const OldTexture* old, AddedType added, const TextureContext& context,
             Layout* layout, std::string* problem) {
  const uint8_t old_type = old != nullptr ? old->header.PixType : 0;
  layout->splat_pack = old != nullptr && old->splat_pack;
  layout->pix_type = texture_pix_type(old, added, image.kind);
  layout->type = find_pixel_type(layout->pix_type);
  layout->bytes_per_pixel = layout->type->element_bytes;
  const uint32_t width = image.width, height = image.height;
  layout->pixel_row = uint64_t{width} * layout->bytes_per_pixel;
  layout->from_rows = image.stored_rows && pix_type_of(image.kind) == layout->pix_type;
  if (old != nullptr && old->splat_pack == layout->splat_pack && old_type == layout->pix_type &&
      old->header.width == width && old->header.height == height && old->header.row_bytes >= layout->pixel_row)
    layout->same = old;
  const uint64_t row_bytes = layout->from_rows ? image.row_bytes
                             : layout->same    ? layout->same->header.row_bytes
                                               : layout->pixel_row;
  if (row_bytes > kMaxRowBytes) {
    *problem = "rows of " + std::to_string(row_bytes) + " bytes, more than a PIX file holds (65535)";
    return false;
  }
  // Rows padded beyond their pixels count against the limit too: at most
  // 4 bytes for each pixel -maxpixels allows.
  if (row_bytes * height > 4 * context.max_pixels) {
    *problem = std::to_string(height) + " rows of " + std::to_string(row_bytes) + " bytes, more than 4 bytes for each of the " +
               std::to_string(context.max_pixels) + " pixels that -maxpixels allows";
    return false;
  }
  layout->row_bytes = static_cast<uint32_t>(row_bytes);
  return layout->pix_type != kPixType8Bit || choose_colours(image, old, context, layout, problem);
}

// Repeats the `size` bytes before `to` `count` times from `to` on, in
// copies that double.
void fill_with_previous(uint8_t* to, uint32_t size, uint64_t count) {
  if (size == 1) {
    std::memset(to, to[-1], count);
    return;
  }
  const uint8_t* pattern = to - size;
  const uint64_t total = count * size;
  std::memcpy(to, pattern, size);
  for (uint64_t done = size; done < total;) {
    const uint64_t step = std::min(done, total - done);
    std::memcpy(to + done, to, step);
    done += step;
  }
}

// Writes the pixels of row `y` into `out`. False with `problem` set.
bool convert_row(const DecodedImage& image, uint32_t y, const Layout& layout, uint8_t* out, PackedTexture* packed,
                 std::string* problem) {
  const uint8_t* row = image_row(image, y);
  const uint32_t pixel_size = layout_of(image.kind).size;
  if (image.kind == PixelKind::rgb && layout.pix_type == kPixTypeRgb) {
    std::memcpy(out, row, uint64_t{image.width} * 3);  // stored as they are: R G B
    return true;
  }
  const uint64_t old_row = uint64_t{y} * (layout.same != nullptr ? layout.same->header.row_bytes : 0);
  // Where nothing comes from an old texture, a pixel's bytes decide alone
  // what it becomes: a run of equal pixels is converted once.
  const bool repeat_runs = layout.same == nullptr;
  const uint32_t bytes_out = layout.bytes_per_pixel;
  bool last_inexact = false;
  for (uint32_t x = 0; x < image.width; ++x) {
    uint32_t rgb = 0;
    uint8_t alpha = 255;
    const uint8_t* pixel = row + uint64_t{x} * pixel_size;
    uint8_t* to = out + uint64_t{x} * bytes_out;
    if (repeat_runs && x > 0) {
      // The pixels from x on that equal the one before: their bytes repeat
      // with the period of a pixel.
      const uint64_t left = uint64_t{image.width - x} * pixel_size;
      const uint8_t* before = pixel - pixel_size;
      uint64_t same = 0;
      while (same < left && pixel[same] == before[same]) ++same;
      if (const uint64_t run = same / pixel_size; run > 0) {
        fill_with_previous(to, bytes_out, run);
        packed->inexact_pixels += last_inexact ? run : 0;
        x += static_cast<uint32_t>(run) - 1;
        continue;
      }
    }
    if (!pixel_colour(image, pixel, &rgb, &alpha, problem)) return false;
    if (layout.pix_type == kPixType8Bit) {
      const uint8_t kept = old_byte(layout.same, old_row + x);
      bool inexact = false;
      if (alpha < 128)
        out[x] = 0;  // the game draws index 0 as transparent
      else if (layout.same != nullptr && palette_colour(layout.colours->palette, kept) == rgb)
        out[x] = kept;
      else
        out[x] = match_colour(layout.colours, rgb, &inexact);
      packed->inexact_pixels += inexact;
      last_inexact = inexact;
      continue;
    }
    if (layout.type->newer) {
      // Channels narrowed to the type's; bits that no channel holds are the
      // old texture's.
      const uint8_t channels[4] = {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                   static_cast<uint8_t>(rgb), alpha};
      const uint64_t at = old_row + uint64_t{x} * layout.bytes_per_pixel;
      const bool kept = layout.same != nullptr && at + layout.bytes_per_pixel <= layout.same->image.pixels.size();
      encode_pixels(*layout.type, channels, 1, kRgba, kept ? layout.same->image.pixels.data() + at : nullptr, to);
      continue;
    }
    // True colour, stored R G B or X R G B: X from a 32-bit BMP, else the
    // old texture's.
    if (layout.pix_type == kPixTypeXrgb) {
      const int8_t x_byte = layout_of(image.kind).x;
      *to++ = x_byte >= 0 ? pixel[x_byte] : old_byte(layout.same, old_row + x * 4u);
    }
    to[0] = static_cast<uint8_t>(rgb >> 16), to[1] = static_cast<uint8_t>(rgb >> 8), to[2] = static_cast<uint8_t>(rgb);
  }
  return true;
}

bool append_blocks(PixOutput* output, std::string* problem) {
  uint8_t* to = extend_output(output, output->blocks.size());
  if (to == nullptr) {
    *problem = "not enough memory for the PIX file";
    return false;
  }
  std::memcpy(to, output->blocks.data(), output->blocks.size());
  output->blocks.clear();
  return true;
}

// A texture with mip levels after its picture: they are not made again, so
// the old pixel block comes back whole when the picture, built in `rows`,
// is the old one, and any other picture is refused.
bool keep_mip_levels(const OldTexture& old, const Layout& layout, const uint8_t* rows, uint32_t height,
                     PixOutput* output, std::string* problem) {
  const OldTexture* same = layout.same;
  const std::span<const uint8_t> old_pixels = old.image.pixels;
  bool unchanged =
      same != nullptr && uint64_t{same->header.row_bytes} * (height - 1) + layout.pixel_row <= old_pixels.size();
  for (uint32_t y = 0; unchanged && y < height; ++y)
    unchanged = std::memcmp(rows + uint64_t{y} * layout.row_bytes,
                            old_pixels.data() + uint64_t{y} * same->header.row_bytes, layout.pixel_row) == 0;
  if (!unchanged) {
    *problem = "its picture changed, and smaller copies of it (mip levels) follow it in the PIX file, which "
               "velmire-pack does not make";
    return false;
  }
  append_pixel_block(&output->blocks, old.image.element_count, old.image.element_size, old_pixels);
  return append_blocks(output, problem);
}

// The old origin, scaled when the size changed so that the centre stays
// the centre; the centre of a new texture.
uint16_t origin(uint16_t old_origin, uint16_t old_side, uint32_t side, bool has_old) {
  if (!has_old || old_side == 0) return static_cast<uint16_t>(side / 2);
  return static_cast<uint16_t>(old_side == side ? old_origin : uint64_t{old_origin} * side / old_side);
}

}  // namespace

bool refuse_colour(const DecodedImage& image, uint8_t index, std::string* problem) {
  *problem = "a pixel has colour " + std::to_string(index) + ", beyond its " + std::to_string(image.palette.size() / 4) +
             " colours";
  return false;
}

uint8_t texture_pix_type(const OldTexture* old, AddedType added, PixelKind kind) {
  if (old != nullptr && old->splat_pack) return kPixType8Bit;
  if (old != nullptr && find_pixel_type(old->header.PixType) != nullptr) return old->header.PixType;
  return old == nullptr && added.pix_type != 0 ? added.pix_type : pix_type_of(kind);
}

uint8_t* extend_output(PixOutput* output, size_t count) {
  if (count > SIZE_MAX - output->size) return nullptr;
  uint8_t* bytes = grow_bytes(&output->buffer, output->size, output->size + count);
  if (bytes == nullptr) return nullptr;
  output->size += count;
  return bytes + output->size - count;
}

bool append_texture(const DecodedImage& image, std::string_view name, const OldTexture* old, AddedType added,
                    const TextureContext& context, PixOutput* output, PackedTexture* packed, std::string* problem) {
  Layout layout;
  if (!lay_out(image, old, added, context, &layout, problem)) return false;
  packed->code = layout.splat_pack ? "SP" : layout.type->code;
  packed->paletted = layout.pix_type == kPixType8Bit;

  const uint32_t row_bytes = layout.row_bytes, height = image.height;
  PixHeader header;
  header.kind = old != nullptr ? old->header.kind : added.kind;
  header.mip_offset = old != nullptr ? old->header.mip_offset : 0;
  header.PixType = layout.pix_type;
  header.row_bytes = static_cast<uint16_t>(row_bytes);
  header.width = static_cast<uint16_t>(image.width);
  header.height = static_cast<uint16_t>(height);
  header.origin_x = origin(old != nullptr ? old->header.origin_x : 0, old != nullptr ? old->header.width : 0, image.width, old != nullptr);
  header.origin_y = origin(old != nullptr ? old->header.origin_y : 0, old != nullptr ? old->header.height : 0, height, old != nullptr);
  header.name = name;
  // Whole elements: rows whose bytes are no multiple of the pixel size get
  // zero bytes after the last row.
  const uint32_t element_size = layout.bytes_per_pixel;
  const uint64_t row_data = uint64_t{row_bytes} * height;
  const uint64_t element_count = (row_data + element_size - 1) / element_size;
  const uint64_t pixel_bytes = element_count * element_size;
  append_header_block(&output->blocks, header);
  if (layout.splat_pack) {
    append_header_block(&output->blocks, old->palette_header);
    output->blocks.insert(output->blocks.end(), old->palette_blocks.begin(), old->palette_blocks.end());
  }
  // The rows and the end block are written straight after the pixel
  // block's fixed fields.
  append_pixel_block_start(&output->blocks, static_cast<uint32_t>(element_count), element_size,
                           static_cast<uint32_t>(pixel_bytes + sizeof kEndBlock));
  const size_t pixel_block = output->size + output->blocks.size() - kPixelFixedBytes;
  if (!append_blocks(output, problem)) return false;

  uint8_t* rows = extend_output(output, pixel_bytes + sizeof kEndBlock);
  if (rows == nullptr) {
    *problem = "not enough memory for the PIX file";
    return false;
  }
  const uint64_t pixel_row = layout.pixel_row;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = rows + uint64_t{y} * row_bytes;
    const uint8_t* image_row_bytes = image_row(image, y);
    if (layout.keep_indices) {
      std::memcpy(out, image_row_bytes, layout.from_rows ? row_bytes : pixel_row);
      if (layout.from_rows) continue;
    } else if (!convert_row(image, y, layout, out, packed, problem)) {
      return false;
    }
    // The bytes after the pixels: the image's own, or the old texture's.
    const uint64_t old_row = uint64_t{y} * (layout.same != nullptr ? layout.same->header.row_bytes : 0);
    for (uint64_t i = pixel_row; i < row_bytes; ++i)
      out[i] = layout.from_rows ? image_row_bytes[i] : old_byte(layout.same, old_row + i);
  }
  std::memset(rows + row_data, 0, pixel_bytes - row_data);
  std::memcpy(rows + pixel_bytes, kEndBlock, sizeof kEndBlock);
  if (header.mip_offset == 0) return true;
  output->size = pixel_block;  // the rows stay in the buffer, past its end, to be compared
  return keep_mip_levels(*old, layout, output->buffer.bytes + pixel_block + kPixelFixedBytes, height, output,
                         problem);
}

bool append_old_texture(const OldTexture& old, PixOutput* output, std::string* problem) {
  append_header_block(&output->blocks, old.header);
  if (old.splat_pack) {
    append_header_block(&output->blocks, old.palette_header);
    output->blocks.insert(output->blocks.end(), old.palette_blocks.begin(), old.palette_blocks.end());
  }
  append_pixel_block(&output->blocks, old.image.element_count, old.image.element_size, old.image.pixels);
  return append_blocks(output, problem);
}
