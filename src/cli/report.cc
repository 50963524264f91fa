#include "cli/report.h"

#include <cstdio>

#include "image/texture_image.h"
#include "pix/pix_blocks.h"

bool is_well_formed(uint16_t width, uint16_t height, uint32_t element_count, uint32_t element_size) {
  if (width % 4 == 0) return true;
  uint32_t bytes = element_count * element_size;
  if (width < 4) return bytes == uint32_t{height} * 4;
  uint32_t padded_width = width + 4u - width % 4u;
  return bytes == uint32_t{height} * padded_width * element_size;
}

void report_texture(const Texture& texture, const TextureLabel& label, const OutputFolders& folders,
                    const RunContext& context) {
  ExtractionTotals& totals = *context.totals;
  const PixHeader& header = *texture.header;
  const char* code;
  int32_t* count;
  int32_t* not_well_formed;
  if (texture.splat_pack) {
    code = "SP", count = &totals.splat_pack, not_well_formed = &totals.splat_pack_not_well_formed;
  } else if (header.PixType == kPixTypeRgb) {
    code = "3B", count = &totals.true_colour_3, not_well_formed = &totals.true_colour_3_not_well_formed;
  } else if (header.PixType == kPixTypeXrgb) {
    code = "4B", count = &totals.true_colour_4, not_well_formed = &totals.true_colour_4_not_well_formed;
  } else {
    code = "NO", count = &totals.normal, not_well_formed = &totals.normal_not_well_formed;
  }

  ++*count;
  // Only formats whose rows must be padded mark the textures whose rows are not.
  bool well_formed = !marks_unpadded_rows(context.options.image_format) ||
                     is_well_formed(header.width, header.height, texture.image->element_count,
                                    texture.image->element_size);
  if (!well_formed) ++*not_well_formed;
  const char* file_name = folders.output_path.text + folders.destination->length;
  std::fprintf(context.out, "%s%s: %.*s (%.*s) --> %s\n", well_formed ? "" : "!", code,
               static_cast<int>(label.entry_name.size()), label.entry_name.data(),
               static_cast<int>(label.name.size()), label.name.data(), file_name);
}
