#include "walk/texture_report.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "common/name_text.h"
#include "image/texture_image.h"

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
  const size_t counted = report_type_index(code);
  ++context.totals->count[counted];
  // Only rows copied as stored into a format whose rows must be padded mark
  // the textures whose rows are not.
  bool well_formed = !marks_unpadded_rows(context.options.image_format, type) ||
                     is_well_formed(header.width, header.height, picture_element_count(header, *texture.image),
                                    texture.image->element_size);
  if (!well_formed) ++context.totals->not_well_formed[counted];
  const char* file_name = folders.output_path.text + folders.destination->length;
  // A member of an archive is named inside it, with '/' on every system, as
  // velmire-pack's report names it. The line is put together and written in
  // one call: a format of this many pieces costs more than the copies.
  std::string line;
  line.reserve(64 + label.archive_name.size() + label.entry_name.size() + label.name.size() +
               std::strlen(file_name));
  if (!well_formed) line += '!';
  line.append(code).append(": ");
  if (!label.archive_name.empty()) line.append(label.archive_name).append("/");
  line.append(label.entry_name).append(" (");
  append_name_text(label.name, &line);
  line.append(") --> ").append(file_name).append("\n");
  std::fwrite(line.data(), 1, line.size(), context.out);
  return {code, well_formed};
}
