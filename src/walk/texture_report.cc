#include "walk/texture_report.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "common/name_text.h"
#include "image/texture_image.h"

namespace {

// The counters of each report code.
struct TypeCounters {
  std::string_view code;
  int32_t ExtractionTotals::*count;
  int32_t ExtractionTotals::*not_well_formed;
};

constexpr TypeCounters kCounters[] = {
    {"NO", &ExtractionTotals::normal, &ExtractionTotals::normal_not_well_formed},
    {"SP", &ExtractionTotals::splat_pack, &ExtractionTotals::splat_pack_not_well_formed},
    {"2B", &ExtractionTotals::true_colour_2, &ExtractionTotals::true_colour_2_not_well_formed},
    {"3B", &ExtractionTotals::true_colour_3, &ExtractionTotals::true_colour_3_not_well_formed},
    {"4B", &ExtractionTotals::true_colour_4, &ExtractionTotals::true_colour_4_not_well_formed},
};

const TypeCounters& counters_of(std::string_view code) {
  for (const TypeCounters& counters : kCounters)
    if (counters.code == code) return counters;
  return kCounters[0];
}

}  // namespace

bool is_well_formed(uint16_t width, uint16_t height, uint32_t element_count, uint32_t element_size) {
  if (width % 4 == 0) return true;
  uint32_t bytes = element_count * element_size;
  if (width < 4) return bytes == uint32_t{height} * 4;
  uint32_t padded_width = width + 4u - width % 4u;
  return bytes == uint32_t{height} * padded_width * element_size;
}

ReportCode report_texture(const Texture& texture, const TextureLabel& label, const OutputFolders& folders,
                          const RunContext& context) {
  const PixHeader& header = *texture.header;
  const PixelType& type = *texture_pixel_type(texture);
  const std::string_view code = texture.splat_pack ? "SP" : type.code;
  const TypeCounters& counters = counters_of(code);
  ++(context.totals->*counters.count);
  // Only rows copied as stored into a format whose rows must be padded mark
  // the textures whose rows are not.
  bool well_formed = !marks_unpadded_rows(context.options.image_format, type) ||
                     is_well_formed(header.width, header.height, picture_element_count(header, *texture.image),
                                    texture.image->element_size);
  if (!well_formed) ++(context.totals->*counters.not_well_formed);
  const char* file_name = folders.output_path.text + folders.destination->length;
  std::string name;
  append_name_text(label.name, &name);
  std::fprintf(context.out, "%s%.*s: %.*s (%s) --> %s\n", well_formed ? "" : "!",
               static_cast<int>(code.size()), code.data(),
               static_cast<int>(label.entry_name.size()), label.entry_name.data(), name.c_str(), file_name);
  return {code, well_formed};
}
