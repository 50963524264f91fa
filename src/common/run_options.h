// The command-line options of an extraction run, one byte each, as every
// stage reads them.
#pragma once

#include <cstdint>

// Flags are on only when they equal 1.
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
  uint8_t c2 = 0;                   // "-c2": BRender 1.2's header blocks and pixel types, TWT archives
  uint8_t html = 0;                 // "-html": index.html in the destination, showing every texture
  uint8_t keep_going = 0;           // "-k": a PIX file the walk would stop at ends only itself
};

enum : uint8_t { kFileMode = 0, kFolderMode = 1 };
enum : uint8_t { kExtOriginal = 0, kExtBmp = 1, kExtBmp2 = 2, kExtAddBmp = 3 };
enum : uint8_t { kImageBmp = 0, kImagePng = 1 };
