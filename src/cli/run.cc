#include "cli/run.h"

#include <string_view>

#include "cli/folders.h"
#include "cli/messages.h"
#include "common/path_buffer.h"
#include "velmire_version.h"
#include "walk/extract_folder.h"

bool apply_option(std::string_view argument, RunOptions* options) {
  if (argument == "-folder") options->organizational_mode = kFolderMode;
  else if (argument == "-file") options->organizational_mode = kFileMode;
  else if (argument == "-noenum") options->enumerate = 0;
  else if (argument == "-r") options->recursive = 1;
  else if (argument == "-nopixpackname") options->pixpack_name = 0;
  else if (argument == "-topdown") options->top_down = 1;
  else if (argument == "-extoriginal") options->extension_mode = kExtOriginal;
  else if (argument == "-extbmp") options->extension_mode = kExtBmp;
  else if (argument == "-extbmp2") options->extension_mode = kExtBmp2;
  else if (argument == "-extaddbmp") options->extension_mode = kExtAddBmp;
  else if (argument == "-png") options->image_format = kImagePng;
  else if (argument == "-transparent") options->transparent = 1;
  else if (argument == "-ownpal") options->own_palette = 1;
  else if (argument == "-c2") options->c2 = 1;
  else if (argument == "-html") options->html = 1;
  else if (argument == "-k") options->keep_going = 1;
  else return false;
  return true;
}

int run(int argc, const char* const* argv, FILE* out, FILE* err) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    print_usage(out);
    std::fputs("\n", out);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::fprintf(out, "%s %s\n", kProgramName, VELMIRE_VERSION);
    return 0;
  }
  if (argc <= 3) {
    print_usage(out);
    return 1;
  }

  RunContext context;
  ExtractionTotals totals;
  context.totals = &totals;
  context.out = out;
  context.err = err;

  for (int i = 4; i < argc; ++i) {
    if (!apply_option(argv[i], &context.options)) {
      std::fprintf(out, "Incorrect parameter: %s", argv[i]);
      return 1;
    }
  }
  // Transparency is an alpha value, which BMP files of 8 bits do not hold.
  if (context.options.transparent == 1 && context.options.image_format != kImagePng) {
    std::fprintf(out, "Incorrect parameter: -transparent. Must be given with -png\n");
    return 1;
  }

  PreparedRun prepared;
  if (prepare_run(argv, &prepared, out, err) != 0) return 1;
  ScratchBuffers scratch;
  context.palette = prepared.palette;
  context.scratch = &scratch;
  context.output_tree = &prepared.output_tree;
  HtmlPage page;
  if (context.options.html == 1) {
    if (open_html_page(&page, &prepared.output_tree, argv[1], prepared.source.length, err) != 0) {
      close_output_tree(&prepared.output_tree);
      return 1;
    }
    context.page = &page;
  }
  WalkOutcome outcome;
  context.outcome = &outcome;
  if (extract_folder(prepared.source, &prepared.destination, context) != 0) note_walk_message(context);
  close_output_tree(&prepared.output_tree);
  release_bytes(&scratch.file);
  release_bytes(&scratch.image);
  print_caption_and_totals(out, totals, context.options.c2 == 1);
  if (outcome.newer_files > 0 && context.options.c2 != 1)
    print_newer_files_hint(err, outcome.newer_files);
  // A walk that printed a message did not extract everything.
  const int status = outcome.messages ? 2 : 0;
  if (context.page == nullptr) return status;
  // A page asked for and not written whole is a failure of the run.
  begin_page_totals(&page);
  add_page_totals(&page, totals, context.options.c2 == 1);
  return close_html_page(&page) != 0 ? 1 : status;
}
