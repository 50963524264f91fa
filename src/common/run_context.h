// Records shared by every stage of one run: the parsed options, the palette
// choice, the totals and the two output streams.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/byte_buffer.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"

// The command-line options, one byte each. Flags are on only when they equal 1.
struct RunOptions {
  uint8_t recursive = 0;            // "-r"
  uint8_t organizational_mode = 1;  // 1 folder ("-folder"), 0 file ("-file")
  uint8_t enumerate = 1;            // cleared by "-noenum"
  uint8_t pixpack_name = 1;         // cleared by "-nopixpackname"
  uint8_t extension_mode = 3;       // 0 extoriginal, 1 extbmp, 2 extbmp2, 3 extaddbmp
  uint8_t top_down = 0;             // "-topdown"
  uint8_t image_format = 0;         // 0 BMP, 1 PNG ("-png")
  uint8_t transparent = 0;          // "-transparent": PNG index 0 fully transparent
  uint8_t own_palette = 0;          // "-ownpal": Splat Pack textures with the palette they carry
};

enum : uint8_t { kFileMode = 0, kFolderMode = 1 };
enum : uint8_t { kExtOriginal = 0, kExtBmp = 1, kExtBmp2 = 2, kExtAddBmp = 3 };
enum : uint8_t { kImageBmp = 0, kImagePng = 1 };

// Textures written during the run, by type, each with the number of those
// whose rows are not well formed.
struct ExtractionTotals {
  int32_t normal = 0;
  int32_t normal_not_well_formed = 0;
  int32_t splat_pack = 0;
  int32_t splat_pack_not_well_formed = 0;
  int32_t true_colour_3 = 0;
  int32_t true_colour_3_not_well_formed = 0;
  int32_t true_colour_4 = 0;
  int32_t true_colour_4_not_well_formed = 0;
};

// Everything the walk passes unchanged to every level and every texture.
// `palette` is the colour table of every 8-bit texture (built in, or read
// from a file). `out` receives the report, `err` every error message.
// Without `scratch` each PIX file and each image gets a buffer of its own.
struct RunContext {
  RunOptions options;
  const PaletteTable* palette = &kMenuPalette;
  ExtractionTotals* totals = nullptr;
  FILE* out = nullptr;
  FILE* err = nullptr;
  ScratchBuffers* scratch = nullptr;
  OutputTree* output_tree = nullptr;  // where every output file is written
};
