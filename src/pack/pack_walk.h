// The packer's walk: every folder of the source that holds numbered images
// becomes the PIX file of the same name at the same place under the
// destination (pack_pix_file.h), a folder named like a TWT archive the
// archive (pack_archive.h); subfolders are walked when the run is recursive.
#pragma once

#include <cstdio>

#include "common/path_buffer.h"
#include "pack/pack_context.h"

// Packs every folder of numbered images below `source` (ending in a
// separator) into `destination`, through subfolders when the run is
// recursive, and reports the PIX files once they are on the disk. A PIX
// file that cannot be packed is reported and left as it was; the walk goes
// on.
void pack_tree(PackRun* run, const PathBuffer& source, const PathBuffer& destination);

// Whether the destination holds none of the PIX files the images of
// `source` name, while one of its subfolders does: then it says so, naming
// that subfolder, and returns true.
bool points_one_level_too_high(const PathBuffer& source, const PathBuffer& destination, bool recursive, FILE* err);
