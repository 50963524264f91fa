#include "image/texture_image.h"

#include "bmp/bmp_image.h"
#include "pix/pix_blocks.h"
#include "png/png_image.h"

namespace {

using ImageWriter = int (*)(const TextureImage& image, const TextureLabel& label, const char* output_path,
                            const RunContext& context);

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

// The layout of the texture's pixels, or false for a pixel type the program
// does not know. Splat Pack textures are 8-bit.
bool pixel_layout(const Texture& texture, PixelLayout* layout) {
  if (texture.splat_pack) {
    *layout = PixelLayout::indexed;
    return true;
  }
  switch (texture.header->PixType) {
    case kPixType8Bit: *layout = PixelLayout::indexed; return true;
    case kPixTypeRgb: *layout = PixelLayout::rgb; return true;
    case kPixTypeXrgb: *layout = PixelLayout::xrgb; return true;
    default: return false;
  }
}

}  // namespace

std::string_view image_extension(uint8_t image_format) { return format_of(image_format).extension; }

bool marks_unpadded_rows(uint8_t image_format) { return format_of(image_format).marks_unpadded_rows; }

void print_texture_error(FILE* err, const TextureLabel& label, const char* what) {
  std::fprintf(err, "ERROR in file %s, texture %d (%.*s): %s", label.pix_path, label.number,
               static_cast<int>(label.name.size()), label.name.data(), what);
}

int write_texture_image(const Texture& texture, const TextureLabel& label, const char* output_path,
                        const RunContext& context) {
  TextureImage image{&texture};
  if (!pixel_layout(texture, &image.layout)) {
    char what[64];
    std::snprintf(what, sizeof what, "Unknown PixType field, is %d", texture.header->PixType);
    print_texture_error(context.err, label, what);
    return 1;
  }
  // A Splat Pack texture carries a palette pixelmap of its own; with
  // "-ownpal" it is the colour table when it holds 256 X R G B entries.
  image.colours = context.palette;
  PaletteTable own_colours;
  const PixPixels* own = texture.palette_pixels;
  if (context.options.own_palette == 1 && own != nullptr) {
    if (own->element_count == kPaletteEntries && own->element_size == 4) {
      own_colours = palette_from_xrgb(own->pixels.first<kPaletteBytes>());
      image.colours = &own_colours;
    } else {
      std::fprintf(context.err,
                   "Note: file %s, texture %d (%.*s): its own palette is not 256 entries of 4 bytes, so the "
                   "run's palette is used\n",
                   label.pix_path, label.number, static_cast<int>(label.name.size()), label.name.data());
    }
  }
  return format_of(context.options.image_format).write(image, label, output_path, context);
}
