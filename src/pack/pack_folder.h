// The packer's walk: every folder of the source that holds numbered images
// becomes the PIX file of the same name at the same place under the
// destination.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/path_buffer.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"
#include "walk/extract_folder.h"

// Textures packed during the run, by type, and the PIX files.
struct PackTotals {
  int32_t normal = 0;
  int32_t splat_pack = 0;
  int32_t true_colour_3 = 0;
  int32_t true_colour_4 = 0;
  uint64_t inexact_pixels = 0;
  int32_t files_written = 0;
  int32_t files_not_written = 0;
};

// What every level of the walk is given.
struct PackContext {
  bool recursive = false;
  const PaletteTable* palette = nullptr;
  PackTotals* totals = nullptr;
  OutputTree* output_tree = nullptr;
  FILE* out = nullptr;  // the report
  FILE* err = nullptr;  // every message
};

// Walks `source` (ending in a separator): each subfolder that holds
// numbered images is packed into the PIX file of its name in `destination`
// (a folder path inside the output tree, ending in a separator); with
// recursion, the other subfolders are walked into the destination's
// subfolder of the same name. A PIX file that cannot be packed is reported
// and left as it was; the walk goes on.
void pack_folder(const PathBuffer& source, const PathBuffer& destination, const PackContext& context,
                 const FolderChain* ancestors = nullptr);
