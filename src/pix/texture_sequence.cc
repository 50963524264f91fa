#include "pix/texture_sequence.h"

int scan_pix_blocks(std::span<const uint8_t> file, const char* pix_path,
                    std::string_view entry_name, TextureSequence* sequence,
                    OutputFolders* folders, const RunContext& context) {
  (void)file, (void)pix_path, (void)entry_name, (void)folders, (void)context;
  sequence->texture_order[0] = '\0';
  return kWalkDone;
}
