// What the extraction walk hands unchanged to every level and every
// texture of one run.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/byte_buffer.h"
#include "common/report_types.h"
#include "common/run_options.h"
#include "fileio/output_tree.h"
#include "html/html_page.h"
#include "palette/palettes.h"

// Textures written during the run, by report type, each with the number of
// those whose rows are not well formed.
using ExtractionTotals = TextureTotals;

// What the walk tells the run beyond the totals.
struct WalkOutcome {
  bool messages = false;   // a message went to standard error: the run's status is 2
  int32_t newer_files = 0;  // files that only -c2 reads, met without it
};

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
  HtmlPage* page = nullptr;           // with "-html": every texture written is added to it
  WalkOutcome* outcome = nullptr;
};

// Records that the walk printed a message (a file, folder or texture it
// could not take as it is), which makes the run's exit status 2.
inline void note_walk_message(const RunContext& context) {
  if (context.outcome != nullptr) context.outcome->messages = true;
}
