// The report line of each written texture, and the totals it adds to.
#pragma once

#include "common/run_context.h"
#include "naming/output_path.h"
#include "pix/texture.h"

// Counts the texture in the totals and prints its line on the report.
void report_texture(const Texture& texture, const TextureLabel& label, const OutputFolders& folders,
                    const RunContext& context);
