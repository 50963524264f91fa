// velmire-pack's entry: puts the images velmire wrote back into PIX files.
#pragma once

#include <cstdio>

// Runs the whole program with the given streams for the report and the
// error messages. Returns the exit status: 0 when every PIX file that
// images name was written or found unchanged (and for --help, --version);
// 1 for a usage, option, folder or palette error; 2 when a PIX file was left
// as it was or could not be written; 3 when no folder of numbered images
// was found.
int run_pack(int argc, const char* const* argv, FILE* out, FILE* err);
