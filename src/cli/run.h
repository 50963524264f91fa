// The program's entry: reads the command line, checks and prepares the two
// folders, runs the walk and prints the totals.
#pragma once

#include <cstdio>
#include <string_view>

#include "common/run_options.h"

// Runs the whole program with the given streams for the report and the
// error messages. Returns the exit status: 0 once the walk has run (and for
// --help and --version), 1 for a usage or folder error.
int run(int argc, const char* const* argv, FILE* out, FILE* err);

// Applies one option argument to the record, later options overriding
// earlier ones. Returns false for an argument that is no option (the match
// is exact and case-sensitive).
bool apply_option(std::string_view argument, RunOptions* options);
