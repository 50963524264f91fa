#include "pack/pack_run.h"

#include <string_view>

#include "cli/folders.h"
#include "pack/pack_folder.h"

namespace {

// It ends without a line break, as velmire's does.
const char kUsage[] =
    "velmire-pack 1.0\n"
    "\n"
    "Tool to put textures (images) back into PIX files of Carmageddon and Splat Pack\n"
    "\n"
    "USAGE:\n"
    "velmire-pack src_folder dst_folder <palette_type> [-r]\n"
    "\n"
    "MANDATORY PARAMETERS:\n"
    "src_folder: folder where velmire wrote the images, one folder per PIX file with numbered images\n"
    "dst_folder: folder where the PIX files will be written; a PIX file there is replaced, keeping what the "
    "images do not hold\n"
    "<palette_type>: color palette of the 8-bit textures:\n"
    "{\n"
    " -menupal: color palette used on Carmageddon menues\n"
    " -racepal: color palette used on Carmageddon gameplay (on race)\n"
    " or a palette file: a PIX file holding one pixelmap of 256 colors\n"
    "}\n"
    "\n"
    "OPTIONAL PARAMETERS:\n"
    "-r: Find the folders of PIX files recursively from source folder (through folders)\n"
    "\n"
    "EXAMPLE OF USAGE:\n"
    "Extract all textures, edit them, and put them back:\n"
    "  velmire D:\\data C:\\carmatextures -racepal -r\n"
    "  velmire-pack C:\\carmatextures C:\\carmadata -racepal -r";

void print_totals(FILE* out, const PackTotals& totals) {
  std::fprintf(out,
               "\nTEXTURE TYPES CAPTION:\nNO = Normal\nSP = Splat Pack\n3B = True color (3 bytes per pixel)\n"
               "4B = True color (4 bytes per pixel)\n");
  std::fprintf(out, "\nTOTAL OF TEXTURE TYPES PACKED:               %d\n",
               totals.normal + totals.splat_pack + totals.true_colour_3 + totals.true_colour_4);
  std::fprintf(out, "Normal (with 256 colour palette):            %d\n", totals.normal);
  std::fprintf(out, "Splat Pack (with 256 colour palette):        %d\n", totals.splat_pack);
  std::fprintf(out, "True colour (no palette, 3 bytes per pixel): %d\n", totals.true_colour_3);
  std::fprintf(out, "True colour (no palette, 4 bytes per pixel): %d\n", totals.true_colour_4);
  std::fprintf(out, "Pixels without an exact colour:              %llu\n",
               static_cast<unsigned long long>(totals.inexact_pixels));
  std::fprintf(out, "PIX files written:                           %d\n", totals.files_written);
  std::fprintf(out, "PIX files not written:                       %d\n", totals.files_not_written);
}

}  // namespace

int run_pack(int argc, const char* const* argv, FILE* out, FILE* err) {
  if (argc <= 3) {
    std::fputs(kUsage, out);
    return 1;
  }
  PackTotals totals;
  PackContext context;
  context.totals = &totals;
  context.out = out;
  context.err = err;
  for (int i = 4; i < argc; ++i) {
    if (std::string_view(argv[i]) != "-r") {
      std::fprintf(out, "Incorrect parameter: %s", argv[i]);
      return 1;
    }
    context.recursive = true;
  }
  PreparedRun prepared;
  if (prepare_run(argv, &prepared, out, err) != 0) return 1;
  context.palette = prepared.palette;
  context.output_tree = &prepared.output_tree;
  pack_folder(prepared.source, prepared.destination, context);
  close_output_tree(&prepared.output_tree);
  print_totals(out, totals);
  return 0;
}
