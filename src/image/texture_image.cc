#include "image/texture_image.h"

#include <cstdio>
#include <iterator>

#include "bmp/bmp_image.h"
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

bool marks_unpadded_rows(uint8_t image_format) { return format_of(image_format).marks_unpadded_rows; }

int write_texture_image(const Texture& texture, const TextureLabel& label, const RunOptions& options,
                        const PaletteTable* palette, const OutputFile& file) {
  const PixelType* type = texture_pixel_type(texture);
  if (type == nullptr || type->newer) {
    char what[64];
    std::snprintf(what, sizeof what, "Unknown PixType field, is %d", texture.header->PixType);
    print_texture_error(file.err, label, what);
    return 1;
  }
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
                   "Note: file %s, texture %d (%.*s): its own palette is not 256 entries of 4 bytes, so the "
                   "run's palette is used\n",
                   label.pix_path, label.number, static_cast<int>(label.name.size()), label.name.data());
    }
  }
  return format_of(options.image_format).write(texture, colours, options, label, file);
}
