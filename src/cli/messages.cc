#include "cli/messages.h"

#include <cstdio>

// Printed with the program name and version in its first line. It ends
// without a line break.
static const char kUsageFormat[] =
    "%s %s\n"
    "\n"
    "Tool to extract textures (images) from PIX files of Carmageddon and Splat Pack\n"
    "\n"
    "USAGE:\n"
    "velmire src_folder dst_folder <palette_type> [-r <organizational_mode> -topdown -noenum -nopixpackname <extension_mode>]\n"
    "\n"
    "MANDATORY PARAMETERS:\n"
    "src_folder: absolute path (folder) where pixpack files are\n"
    "dst_folder: absolute path (folder) where BMP files will be written\n"
    "<palette_type>: color palette to be written within BMP files:\n"
    "{\n"
    " -menupal: color palette used on Carmageddon menues\n"
    " -racepal: color palette used on Carmageddon gameplay (on race)\n"
    "}\n"
    "\n"
    "OPTIONAL PARAMETERS (these can be input on any order):\n"
    "-r: Find PIX files recursively from source folder (through folders)\n"
    "<organizational_mode>: Way to organize BMP files:\n"
    "{\n"
    " -folder: create a folder by each pixpack file with his name\n"
    " -file: don't create folders. Pixpack name will be on the BMP filename\n"
    "}\n"
    "-topdown: Write BMP files in top-down row order. Not supported in Hexlace and Rimforge\n"
    "-noenum: do not enumerate textures in BMP filename by each pixpack file read\n"
    "-nopixpackname: don't write the pixpack name on the BMP filenames\n"
    "<extension_mode>: way to write filename extension:\n"
    "{\n"
    " -extoriginal: write the BMP file with the original extension texture filename. Example: if texture filename is \"go.pix\", the BMP file will be \"go.pix\"\n"
    " -extbmp: replace the original extension texture filename with '.bmp'. Example: if texture filename is \"go.pix\", the resulting BMP file will be \"go.bmp\"\n"
    " -extbmp2: replace the original extension texture filename with '.bmp', or add it if it doesn't have it. Example: if texture filename is \"go\", the resulting BMP file will be \"go.bmp\"\n"
    " -extaddbmp: add the extension '.bmp' to the original texture filename. Example: if texture filename is \"go.pix\", the BMP file will be \"go.pix.bmp\"\n"
    "}\n"
    "\n"
    "EXAMPLES OF USAGE:\n"
    "Extract all textures (recursively) from the Carmageddon CD with race palette:\n"
    "  velmire D:\\data C:\\carmatextures -racepal -r\n"
    "Extract all textures (recursively) from the Carmageddon CD with race palette and write the output (details about each texture extracted, and the total number of they) to a text file:\n"
    "  velmire D:\\data C:\\carmatextures -racepal -r > report.txt\n"
    "\n"
    "Check README.RTF for full documentation, more examples of usage and technical details of Velmire.";

// What the caption says after the codes, of the mark '!'.
static const char kMarkCaption[] =
    "An exclamation '!' before the texture type caption indicates the texture is not well "
    "formed because it needs some additional padding bytes on the pixel array, so probably, "
    "the resulting texture will be not visible by an image viewer";

void print_usage(FILE* out) {
  std::fprintf(out, kUsageFormat, kProgramName, kUsageVersion);
}

void print_caption_and_totals(FILE* out, const ExtractionTotals& totals, bool two_bytes) {
  print_caption_types(out, two_bytes);
  std::fprintf(out, "%s\n", kMarkCaption);
  print_totals(out, "TOTAL OF TEXTURE TYPES EXTRACTED:", totals, two_bytes);
  std::fputs("\n", out);
}

void print_newer_files_hint(FILE* err, int32_t files) {
  std::fprintf(err, "%d files hold textures of newer BRender files (Carmageddon 2): run again with -c2\n", files);
}

void add_page_totals(HtmlPage* page, const ExtractionTotals& totals, bool two_bytes) {
  add_page_total(page, "Textures extracted", total_of(totals), 0);
  int32_t not_well_formed = 0;
  for (size_t i = 0; i < kReportTypeCount; ++i) {
    not_well_formed += totals.not_well_formed[i];
    if (!kReportTypes[i].two_bytes || two_bytes)
      add_page_total(page, kReportTypes[i].totals_label, totals.count[i], totals.not_well_formed[i]);
  }
  // The caption as the legend of the page's filters.
  for (size_t i = 0; i < kReportTypeCount; ++i)
    if (!kReportTypes[i].two_bytes || two_bytes)
      add_page_legend(page, kReportTypes[i].code, kReportTypes[i].caption, totals.count[i]);
  add_page_legend(page, "!", kMarkCaption, not_well_formed);
}
