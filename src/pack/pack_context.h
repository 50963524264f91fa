// The state of one velmire-pack run, which every step of its walk uses:
// the totals, the buffers kept from one file to the next, the batch of files
// written and the report lines waiting for it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/byte_buffer.h"
#include "common/report_types.h"
#include "fileio/file_batch.h"
#include "fileio/output_tree.h"
#include "pack/pix_build.h"

// Textures packed during the run, by type, and the PIX files.
struct PackTotals {
  TextureTotals textures;
  uint64_t inexact_pixels = 0;
  int32_t image_folders = 0;  // folders of numbered images, packed or not
  int32_t files_written = 0;
  int32_t files_unchanged = 0;
  int32_t files_not_written = 0;
};

// Adds the textures and inexact pixels of `from` to `to`.
inline void add_texture_counts(PackTotals* to, const PackTotals& from) {
  for (size_t i = 0; i < kReportTypeCount; ++i) to->textures.count[i] += from.textures.count[i];
  to->inexact_pixels += from.inexact_pixels;
}

// A PIX file packed and not yet reported: its report lines wait in
// PackRun::report until it is on the disk.
struct PendingFile {
  std::string path;
  bool in_batch = false;  // written, to be renamed; else found unchanged
  size_t report_end = 0;
  PackTotals counts;
};

// A folder below the destination locked while the run writes there.
struct HeldFolderLock {
  std::string key;  // the folder's path, ending in a separator
  FolderLock lock;
};

// Everything the walk uses, the buffers kept from one file to the next.
struct PackRun {
  bool recursive = false;
  bool twins = false;  // -twins: 8-bit twins rewritten with their 16-bit textures
  bool drop = false;   // -drop: textures after the last image left out
  TextureContext textures;
  PackTotals totals;
  OutputTree* tree = nullptr;
  FILE* out = nullptr;  // the report
  FILE* err = nullptr;  // every message
  ByteBuffer image_file;
  ImageBuffers image_buffers;
  ByteBuffer old_file;
  ByteBuffer twin_file;  // the loose X.P08 packed with X.P16
  PixOutput output;
  PixBuild build;
  std::vector<uint8_t> archive;  // a TWT archive rebuilt
  FileBatch batch;
  std::vector<PendingFile> pending;
  std::string report;
  std::vector<std::string> cleaned;  // destination folders rid of leftovers
  std::vector<BatchResult> results;
  // The folders below the destination locked, outermost first: those of
  // the folder written now and its parents, and those of files in the batch.
  std::vector<HeldFolderLock> folder_locks;
  std::string writing;          // the folder written now, ending in a separator
  bool lock_failure_told = false;  // a lock that could not be had was said so
};
