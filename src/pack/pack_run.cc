#include "pack/pack_run.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/folders.h"
#include "cli/messages.h"
#include "pack/pack_commit.h"
#include "pack/pack_walk.h"
#include "velmire_version.h"

namespace {

constexpr const char* kPackName = "velmire-pack";

// It ends without a line break, as velmire's does.
const char kUsage[] =
    "velmire-pack " VELMIRE_VERSION "\n"
    "\n"
    "Tool to put textures (images) back into PIX files of Carmageddon and Splat Pack\n"
    "\n"
    "USAGE:\n"
    "velmire-pack src_folder dst_folder <palette_type> [-r] [-maxpixels N] [-twins] [-drop]\n"
    "\n"
    "MANDATORY PARAMETERS:\n"
    "src_folder: folder where velmire wrote the images, one folder per PIX file with numbered images\n"
    "dst_folder: existing folder where the PIX files will be written; a PIX file there is replaced, keeping what the "
    "images do not hold\n"
    "<palette_type>: color palette of the 8-bit textures, the one the images were extracted with:\n"
    "{\n"
    " -menupal: color palette used on Carmageddon menues\n"
    " -racepal: color palette used on Carmageddon gameplay (on race)\n"
    " or a palette file: a PIX file holding one pixelmap of 256 colors\n"
    "}\n"
    "\n"
    "OPTIONAL PARAMETERS:\n"
    "-r: Find the folders of PIX files recursively from source folder (through folders)\n"
    "-maxpixels N: refuse images of more than N pixels (default 16777216, 4096 x 4096)\n"
    "-twins: rewrite the 8-bit twin (in the P08 file) of each 16-bit texture rewritten from an image\n"
    "-drop: leave out the textures numbered after the last image, instead of leaving their PIX file as it was\n"
    "\n"
    "EXAMPLE OF USAGE:\n"
    "Extract all textures, edit them, and put them back:\n"
    "  velmire D:\\data C:\\carmatextures -racepal -r\n"
    "  velmire-pack C:\\carmatextures C:\\carmadata -racepal -r";

// The lines of 2-byte textures appear only when some were packed, as
// velmire prints them only with -c2.
void print_totals(FILE* out, const PackTotals& totals) {
  const bool two_bytes = totals.textures.count[report_type_index("2B")] != 0;
  print_caption_types(out, two_bytes);
  print_totals(out, "TOTAL OF TEXTURE TYPES PACKED:", totals.textures, two_bytes);
  std::fputs("\n", out);
  std::fprintf(out, "Pixels without an exact colour:              %llu\n",
               static_cast<unsigned long long>(totals.inexact_pixels));
  std::fprintf(out, "PIX files written:                           %d\n", totals.files_written);
  std::fprintf(out, "PIX files unchanged:                         %d\n", totals.files_unchanged);
  std::fprintf(out, "PIX files not written:                       %d\n", totals.files_not_written);
}

// The options after the palette. False after the message.
bool read_options(int argc, const char* const* argv, PackRun* run, FILE* out) {
  for (int i = 4; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "-r" || option == "-twins" || option == "-drop") {
      bool& flag = option == "-r" ? run->recursive : option == "-twins" ? run->twins : run->drop;
      flag = true;
      continue;
    }
    if (option == "-maxpixels" && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      const unsigned long long pixels = std::strtoull(argv[i + 1], &end, 10);
      if (argv[i + 1][0] >= '1' && argv[i + 1][0] <= '9' && *end == '\0' && errno == 0 &&
          pixels <= uint64_t{kMaxImageSide} * kMaxImageSide) {
        run->textures.max_pixels = pixels;
        ++i;
        continue;
      }
      std::fprintf(out, "Incorrect parameter: %s %s", argv[i], argv[i + 1]);
      return false;
    }
    std::fprintf(out, "Incorrect parameter: %s", argv[i]);
    return false;
  }
  return true;
}

// The run's palette and the others velmire writes, named as typed.
void name_palettes(const char* argument, const PaletteTable* chosen, RunPalettes* palettes) {
  palettes->run = chosen;
  palettes->run_name = argument;
  if (chosen != &kRacePalette) palettes->others.emplace_back(&kRacePalette, "-racepal");
  if (chosen != &kMenuPalette) palettes->others.emplace_back(&kMenuPalette, "-menupal");
}

// Whether `inner` is `outer` or lies inside it (resolved paths).
bool lies_within(const std::string& inner, const std::string& outer) {
  return inner.compare(0, outer.size(), outer) == 0 &&
         (inner.size() == outer.size() || inner[outer.size()] == kPathSeparator || outer.back() == kPathSeparator);
}

// Refuses a source and a destination that are one folder, or one inside the
// other: packing would read the images from where it writes. False after
// the message.
bool folders_apart(const PreparedRun& prepared, FILE* err) {
  std::string source, destination;
  if (resolve_folder_path(prepared.source.text, &source) != 0 ||
      resolve_folder_path(prepared.destination.text, &destination) != 0)
    return true;
  if (!lies_within(source, destination) && !lies_within(destination, source)) return true;
  std::fprintf(err,
               "ERROR: The source folder %s and the destination folder %s are the same folder or one holds the "
               "other: nothing is packed. Pack into the folder that holds the game's PIX files (a copy of them)\n",
               prepared.source.text, prepared.destination.text);
  return false;
}

// Takes the destination's lock, waiting for another run that holds it.
// Returns false when it cannot be had, after saying so.
bool lock_destination(const PreparedRun& prepared, FolderLock* lock, FILE* err) {
  bool waited = false;
  const int error_number =
      take_folder_lock(prepared.output_tree.root_folder, prepared.destination.text, nullptr, err, lock, &waited);
  if (error_number != 0) print_lock_failure(err, prepared.destination.text, error_number);
  return error_number == 0;
}

int exit_status(const PackTotals& totals) {
  if (totals.image_folders == 0) return 3;
  return totals.files_not_written > 0 ? 2 : 0;
}

}  // namespace

int run_pack(int argc, const char* const* argv, FILE* out, FILE* err) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::fprintf(out, "%s\n", kUsage);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::fprintf(out, "%s %s\n", kPackName, VELMIRE_VERSION);
    return 0;
  }
  if (argc <= 3) {
    std::fputs(kUsage, out);
    return 1;
  }
  PackRun run;
  run.out = out;
  run.err = err;
  run.textures.max_pixels = kDefaultMaxPixels;
  if (!read_options(argc, argv, &run, out)) return 1;
  PreparedRun prepared;
  if (prepare_run(argv, &prepared, out, err, false) != 0) return 1;
  if (!folders_apart(prepared, err)) {
    close_output_tree(&prepared.output_tree);
    return 1;
  }
  RunPalettes palettes;
  ColourMatch run_colours, own_colours;
  name_palettes(argv[3], prepared.palette, &palettes);
  run.textures.palettes = &palettes;
  run.textures.run_colours = &run_colours;
  run.textures.own_colours = &own_colours;
  run.tree = &prepared.output_tree;
  FolderLock lock;
  run.lock_failure_told = !lock_destination(prepared, &lock, err);
  int status = 2;
  if (!set_colour_match(&run_colours, *prepared.palette)) {
    std::fprintf(err, "ERROR: not enough memory to start\n");
  } else if (!points_one_level_too_high(prepared.source, prepared.destination, run.recursive, err)) {
    pack_tree(&run, prepared.source, prepared.destination);
    status = exit_status(run.totals);
  }
  unlock_subfolders(&run);
  close_output_tree(&prepared.output_tree);
  unlock_folder(&lock);
  release_bytes(&run.image_file);
  release_bytes(&run.old_file);
  release_bytes(&run.twin_file);
  release_bytes(&run.output.buffer);
  print_totals(out, run.totals);
  return status;
}
