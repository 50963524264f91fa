#include "image/texture_image.h"

#include <cstdio>
#include <iterator>

#include "bmp/bmp_image.h"
#include "common/name_text.h"
#include "png/png_image.h"

namespace {

using ImageWriter = int (*)(const Texture& texture, const PaletteTable* colours, const RunOptions& options,
                            const TextureLabel& label, const OutputFile& file);

struct ImageFormat {
  std::string_view extension;
  bool marks_unpadded_rows;
  ImageWriter write;
};

// Indexed by RunOptions::image_format.
constexpr ImageFormat kFormats[] = {
    {"BMP", true, write_bmp_image},
    {"PNG", false, write_png_image},
};

const ImageFormat& format_of(uint8_t image_format) {
  return kFormats[image_format < std::size(kFormats) ? image_format : 0];
}

}  // namespace

std::string_view image_extension(uint8_t image_format) { return format_of(image_format).extension; }

bool marks_unpadded_rows(uint8_t image_format, const PixelType& type) {
  return format_of(image_format).marks_unpadded_rows && !type.newer;
}

namespace {

// Rows read pixel by pixel (into every PNG file, and into the BMP files of
// the newer types) must lie in the file, though they may reach past the
// pixel block's own bytes. Rows that overlap would let a tiny file make an
// image of gigabytes, so each row must hold its pixels: then every pixel is
// a byte of the file. Returns 0, or 1 after a message.
int check_rows(const Texture& texture, const PixelType& type, const TextureLabel& label, FILE* err) {
  const PixHeader& header = *texture.header;
  const uint64_t row_length = uint64_t{header.width} * type.element_bytes;
  if (header.height > 1 && header.row_bytes < row_length) {
    char what[96];
    std::snprintf(what, sizeof what, "rows of %u bytes cannot hold %llu bytes of pixels\n", header.row_bytes,
                  static_cast<unsigned long long>(row_length));
    print_texture_error(err, label, what);
    return 1;
  }
  const uint64_t extent = uint64_t{header.row_bytes} * (header.height - 1u) + row_length;
  if (extent > texture.image->to_file_end.size()) {
    print_texture_error(err, label, "pixel data does not fit the file\n");
    return 1;
  }
  return 0;
}

}  // namespace

int write_texture_image(const Texture& texture, const TextureLabel& label, const RunOptions& options,
                        const PaletteTable* palette, const OutputFile& file) {
  // A Splat Pack texture carries a palette pixelmap of its own; with
  // "-ownpal" it is the colour table when it holds 256 X R G B entries.
  const PaletteTable* colours = palette;
  PaletteTable own_colours;
  const PixPixels* own = texture.palette_pixels;
  if (options.own_palette == 1 && own != nullptr) {
    if (own->element_count == kPaletteEntries && own->element_size == 4) {
      own_colours = palette_from_xrgb(own->pixels.first<kPaletteBytes>());
      colours = &own_colours;
    } else {
      std::fprintf(file.err,
                   "Note: file %s, texture %d (%s): its own palette is not 256 entries of 4 bytes, so the "
                   "run's palette is used\n",
                   label.pix_path, label.number, text_of_name(label.name).c_str());
    }
  }
  const PixelType& type = *texture_pixel_type(texture);
  const bool reads_rows = options.image_format == kImagePng || type.newer;
  // Images without pixels have no rows to check (a PNG writer refuses them).
  if (reads_rows && texture.header->width != 0 && texture.header->height != 0 &&
      check_rows(texture, type, label, file.err) != 0)
    return 1;
  return format_of(options.image_format).write(texture, colours, options, label, file);
}
