// The report line of each written texture, and the totals it adds to.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/texture_label.h"
#include "naming/output_path.h"
#include "pix/texture.h"
#include "walk/run_context.h"

// Whether the stored rows need no padding to be read as BMP rows, judged in
// units of 4 pixels: a width that is a multiple of 4 always is; otherwise
// the pixel bytes must hold `height` rows of the width rounded up to a
// multiple of 4 (4 pixels for widths below 4, whatever the pixel size).
// Products wrap at 32 bits.
bool is_well_formed(uint16_t width, uint16_t height, uint32_t element_count, uint32_t element_size);

// A texture's type code on the report, and whether its rows are marked
// "!" as not well formed.
struct ReportCode {
  std::string_view code;
  bool well_formed = true;
};

// Counts the texture in the totals and prints its line on the report: the
// type code (marked "!" when not well formed), the PIX file's name, the
// texture name as stored and the output path after the destination folder;
// a member of a TWT archive is named inside it ("bigdump.TWT/pixies.P16").
// Returns the code it printed.
ReportCode report_texture(const Texture& texture, const TextureLabel& label, const OutputFolders& folders,
                          const RunContext& context);
