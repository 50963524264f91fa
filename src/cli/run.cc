#include "cli/run.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "cli/messages.h"
#include "common/path_buffer.h"
#include "common/run_context.h"
#include "fileio/whole_file.h"
#include "palette/palette_file.h"
#include "platform/platform.h"
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
  else return false;
  return true;
}

// The message for a folder that would not open, chosen by the error number;
// numbers without a message of their own print nothing.
static void print_folder_error(FILE* err, int error_number, const char* path) {
  switch (error_number) {
    case ENOENT:
      std::fprintf(err, "ERROR: The directory %s does not exist\n", path);
      break;
    case EACCES:
      std::fprintf(err,
                   "ERROR: Read permission is denied for the directory %s or the search "
                   "permission is denied for the component of the path prefix\n",
                   path);
      break;
    case ENOTDIR:
      std::fprintf(err, "ERROR: The path %s is not a directory\n", path);
      break;
    case ENFILE:
      std::fprintf(err, "ERROR: Too many files are currently open in the system\n");
      break;
    case EMFILE:
      std::fprintf(err,
                   "ERROR: OPEN_MAX file descriptors are currently open in this calling process\n");
      break;
    case ENAMETOOLONG:
      std::fprintf(err,
                   "ERROR: The length of the dirname %s argument exceeds PATH_MAX, or a pathname "
                   "component is longer than NAME_MAX\n",
                   path);
      break;
    default:
      break;
  }
}

// Stores a folder argument with exactly one trailing separator. An empty
// argument is kept empty (it fails as a missing folder later); one that
// does not fit the path buffer is refused here. Returns false after its
// message.
static bool store_folder_argument(const char* argument, PathBuffer* path, FILE* err) {
  if (argument[0] == '\0') {
    path_assign(path, "");
    return true;
  }
  if (!path_assign_folder(path, argument)) {
    std::fprintf(err, "ERROR: The path %s is too long\n", argument);
    return false;
  }
  return true;
}

// Opens the folder to see that it can be listed. An empty path names no
// folder. Returns 0 or the error number.
static int check_folder(const PathBuffer& path) {
  if (path.length == 0) return ENOENT;
  return probe_folder(path.text);
}

int run(int argc, const char* const* argv, FILE* out, FILE* err) {
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

  PathBuffer source;
  PathBuffer destination;
  if (!store_folder_argument(argv[1], &source, err)) return 1;
  if (!store_folder_argument(argv[2], &destination, err)) return 1;

  if (int error_number = check_folder(source); error_number != 0) {
    print_folder_error(err, error_number, source.text);
    return 1;
  }
  if (int error_number = check_folder(destination); error_number != 0) {
    if (error_number != ENOENT || destination.length == 0) {
      print_folder_error(err, error_number, destination.text);
      return 1;
    }
    create_path_folders(path_view(destination), kPathSeparator);
  }

  PaletteTable palette_from_file;
  if (choose_palette(argv[3], &palette_from_file, &context.palette, out, err) != 0) return 1;

  OutputTree output_tree;
  if (int error_number = open_output_tree(destination, &output_tree); error_number != 0) {
    print_folder_error(err, error_number, destination.text);
    return 1;
  }
  ScratchBuffers scratch;
  context.scratch = &scratch;
  context.output_tree = &output_tree;
  extract_folder(source, &destination, context);
  close_output_tree(&output_tree);
  release_bytes(&scratch.file);
  release_bytes(&scratch.image);
  print_caption_and_totals(out, totals);
  return 0;
}
