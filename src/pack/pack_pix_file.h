// One folder of numbered images packed into its PIX file: each image read and
// added as a texture over the old file's, the new file queued.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "common/path_buffer.h"
#include "pack/pack_context.h"
#include "pack/texture_files.h"

// Builds the new PIX file `name` from the images `files` in `folder` over
// the PIX file it replaces, `old_file` (empty: none), its report lines in
// `lines`. Returns true, or false after leaving the target as it was.
bool build_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                    const std::vector<TextureFile>& files, std::span<const uint8_t> old_file, const char* target,
                    PendingFile* pending, std::string* lines);

// Packs the numbered images of `folder` into the PIX file `name` in
// `destination`: built in memory, compared with the file it replaces, and
// written into the batch when it differs.
void pack_pix_file(PackRun* run, const PathBuffer& folder, const std::string& name,
                   const std::vector<TextureFile>& files, const PathBuffer& destination);
