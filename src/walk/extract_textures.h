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
// each completed texture. Returns 0 at the end of the file (a truncated block
// also ends the file, after its message), or 1, 3 or 4 after a message.
// `archive_member`: the file is a TWT archive's member, `entry_name` the
// member's name as stored there.
int scan_pix_blocks(std::span<const uint8_t> file, const char* pix_path, std::string_view entry_name,
                    TextureSequence* sequence, OutputFolders* folders, const RunContext& context,
                    bool archive_member = false);
