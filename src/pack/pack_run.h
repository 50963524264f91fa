// velmire-pack's entry: puts the images velmire wrote back into PIX files.
#pragma once

#include <cstdio>

// Runs the whole program with the given streams for the report and the
// error messages. Returns the exit status: 0 once the walk has run, 1 for a
// usage, folder or palette error.
int run_pack(int argc, const char* const* argv, FILE* out, FILE* err);
