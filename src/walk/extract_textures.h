// The stages every texture of one loaded PIX file goes through: its output
// name, its image file, its report line.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "naming/output_path.h"
#include "pix/texture_sequence.h"
#include "walk/run_context.h"

// Walk results. 1 ends the current folder only; 2, 3 and 4 end the whole
// walk.
enum : int {
  kWalkDone = 0,
  kWalkFolderFailed = 1,
  kWalkLoadFailed = 2,
  kWalkUnknownBlock = 3,
  kWalkUnknownOrder = 4,
};

// Runs over the blocks of one loaded PIX file, naming, writing and reporting
// each completed texture. `entry_name` names its output; a member of a TWT
// archive has the archive's name in `archive_name`, which its report lines
// put before it ("bigdump.TWT/pixies.P16"). Returns 0 at the end of the
// file (a truncated block also ends the file, after its message), or 1, 3
// or 4 after a message. Every message is noted in the context's outcome.
int scan_pix_blocks(std::span<const uint8_t> file, const char* pix_path, std::string_view entry_name,
                    std::string_view archive_name, TextureSequence* sequence, OutputFolders* folders,
                    const RunContext& context);

// With "-k", a PIX file the walk would stop at (one that cannot be read, an
// unknown block, an impossible sequence of blocks) ends only itself: the
// walk goes on with the next file. `result` is what the file's walk
// returned; a texture that cannot be written still ends its folder.
int past_damaged_file(int result, const RunContext& context);
