// The three arguments both programs start from (source folder, destination
// folder, palette), checked and prepared before any work starts, with the
// messages for folders that cannot be used.
#pragma once

#include <cstdio>

#include "common/path_buffer.h"
#include "fileio/output_tree.h"
#include "palette/palettes.h"

struct PreparedRun {
  PathBuffer source;       // ending in one separator
  PathBuffer destination;  // ending in one separator
  const PaletteTable* palette = nullptr;
  PaletteTable palette_from_file;  // when the argument names a palette file
  OutputTree output_tree;          // the destination, open
};

// In this order: stores each folder argument with exactly one trailing
// separator (an empty one is a missing folder, one that does not fit is
// refused); checks that the source opens as a folder; opens the destination
// or, when it does not exist and `create_destination` is set, creates it
// with every missing parent; reads the palette argument; opens the
// destination tree. Returns 0, or 1 after the message for what cannot be
// used. `run` must stay where it is while used: `palette` may point into it.
int prepare_run(const char* const* argv, PreparedRun* run, FILE* out, FILE* err, bool create_destination = true);

// The message for a folder that would not open, chosen by the error number;
// numbers without a message of their own print nothing.
void print_folder_error(FILE* err, int error_number, const char* path);
