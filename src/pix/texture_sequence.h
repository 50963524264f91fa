// Groups the blocks of a loaded PIX file into textures and hands each
// completed texture to the output stages.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "common/run_context.h"
#include "naming/output_path.h"
#include "pix/pix_blocks.h"

// The kinds of block taken into the texture under way: '1' for a header
// block, '2' for a pixel block. "12" and "1122" are complete textures.
struct TextureSequence {
  char texture_order[5] = {};
  PixHeader first_header;
  PixHeader second_header;
  PixPixels first_pixels;
  PixPixels second_pixels;
};

// Walk results, shared with the folder walk. 1 ends the current folder only;
// 2, 3 and 4 end the whole walk.
enum : int {
  kWalkDone = 0,
  kWalkFolderFailed = 1,
  kWalkLoadFailed = 2,
  kWalkUnknownBlock = 3,
  kWalkUnknownOrder = 4,
};

// What next_texture found.
enum class BlockScan : uint8_t {
  texture,        // a complete texture, in the sequence's records
  end,            // the end of the file
  truncated,      // a block cut off by the end of the file, at *position
  unknown_block,  // a block of another kind, at *position
  unknown_order,  // blocks that make neither "12" nor "1122"
};

// Decodes the blocks of a loaded PIX file from *position on (16, after the
// signature, with an empty order, for a file's first call) until the next
// texture is complete; its records are in `sequence`, its order "12" or
// "1122". The next call first moves past that texture. Nothing is read
// outside the file, and every step moves forward.
BlockScan next_texture(std::span<const uint8_t> file, uint64_t* position, TextureSequence* sequence);

// Runs over the blocks of one loaded PIX file, writing and reporting each
// completed texture. Returns 0 at the end of the file (a truncated block also
// ends the file, after its message), or 1, 3 or 4 after a message.
int scan_pix_blocks(std::span<const uint8_t> file, const char* pix_path,
                    std::string_view entry_name, TextureSequence* sequence,
                    OutputFolders* folders, const RunContext& context);
