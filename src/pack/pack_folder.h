// The packer's walk: every folder of the source that holds numbered images
// becomes the PIX file of the same name at the same place under the
// destination, written in batches (fileio/file_batch.h) and reported once
// it is on the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/byte_buffer.h"
#include "common/path_buffer.h"
#include "fileio/file_batch.h"
#include "fileio/output_tree.h"
#include "pack/pix_build.h"
#include "walk/extract_folder.h"

// Textures packed during the run, by type, and the PIX files.
struct PackTotals {
  TextureTotals textures;
  uint64_t inexact_pixels = 0;
  int32_t image_folders = 0;  // folders of numbered images, packed or not
  int32_t files_written = 0;
  int32_t files_unchanged = 0;
  int32_t files_not_written = 0;
};

// A PIX file packed and not yet reported: its report lines wait in
// PackRun::report until it is on the disk.
struct PendingFile {
  std::string path;
  bool in_batch = false;  // written, to be renamed; else found unchanged
  size_t report_end = 0;
  PackTotals counts;
};

// Everything the walk uses, the buffers kept from one file to the next.
struct PackRun {
  bool recursive = false;
  TextureContext textures;
  PackTotals totals;
  OutputTree* tree = nullptr;
  FILE* out = nullptr;  // the report
  FILE* err = nullptr;  // every message
  ByteBuffer image_file;
  ImageBuffers image_buffers;
  ByteBuffer old_file;
  PixOutput output;
  PixBuild build;
  std::vector<uint8_t> archive;  // a TWT archive rebuilt
  FileBatch batch;
  std::vector<PendingFile> pending;
  std::string report;
  std::vector<std::string> cleaned;  // destination folders rid of leftovers
  std::vector<BatchResult> results;
};

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
