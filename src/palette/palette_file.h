// Palettes read from a file: a PIX file holding one pixelmap of pixel type 7
// with 256 entries, as the game's own palette files are (and, with the newer
// header block, BRender 1.2's, such as its vga.pal).
#pragma once

#include <cstdio>

#include "palette/palettes.h"

// Loads the palette in the file at `path`. Returns 0 with `table` filled, or
// 1 after a message on `err` that says what is wrong with the file.
int load_palette_file(const char* path, PaletteTable* table, FILE* err);

// The palette argument of both programs: "-menupal", "-racepal", or a file
// holding a palette, which is read into `from_file`. Sets `chosen` and
// returns 0, or returns 1 after a message: on `out` for an argument that is
// neither a palette word nor a file, on `err` for a file that is no palette.
int choose_palette(const char* argument, PaletteTable* from_file, const PaletteTable** chosen, FILE* out,
                   FILE* err);
