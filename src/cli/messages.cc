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

// The caption: a line per code (that of the 2-byte code only when "-c2"
// may have written such textures, see kTypeLines), then the mark's.
static const char kCaptionTitle[] = "\nTEXTURE TYPES CAPTION:\n";
static const char kMarkCaption[] =
    "An exclamation '!' before the texture type caption indicates the texture is not well "
    "formed because it needs some additional padding bytes on the pixel array, so probably, "
    "the resulting texture will be not visible by an image viewer";

void print_usage(FILE* out) {
  std::fprintf(out, kUsageFormat, kProgramName, kProgramVersion);
}

namespace {

// Each type code with its caption and its totals' line (the lines after
// the first): the count, then how many of them are not well formed when
// there are any.
struct TypeLine {
  const char* code;
  const char* caption;
  const char* label;
  int32_t ExtractionTotals::*count;
  int32_t ExtractionTotals::*not_well_formed;
  bool two_bytes;  // printed only when "-c2" may have written such textures
};

constexpr TypeLine kTypeLines[] = {
    {"NO", "Normal", "Normal (with 256 colour palette)", &ExtractionTotals::normal,
     &ExtractionTotals::normal_not_well_formed, false},
    {"SP", "Splat Pack", "Splat Pack (with 256 colour palette)", &ExtractionTotals::splat_pack,
     &ExtractionTotals::splat_pack_not_well_formed, false},
    {"2B", "True color (2 bytes per pixel)", "True colour (no palette, 2 bytes per pixel)",
     &ExtractionTotals::true_colour_2, &ExtractionTotals::true_colour_2_not_well_formed, true},
    {"3B", "True color (3 bytes per pixel)", "True colour (no palette, 3 bytes per pixel)",
     &ExtractionTotals::true_colour_3, &ExtractionTotals::true_colour_3_not_well_formed, false},
    {"4B", "True color (4 bytes per pixel)", "True colour (no palette, 4 bytes per pixel)",
     &ExtractionTotals::true_colour_4, &ExtractionTotals::true_colour_4_not_well_formed, false},
};

int32_t total_of(const ExtractionTotals& totals) {
  int32_t total = 0;
  for (const TypeLine& line : kTypeLines) total += totals.*line.count;
  return total;
}

int32_t not_well_formed_of(const ExtractionTotals& totals) {
  int32_t total = 0;
  for (const TypeLine& line : kTypeLines) total += totals.*line.not_well_formed;
  return total;
}

}  // namespace

void print_caption_and_totals(FILE* out, const ExtractionTotals& totals, bool two_bytes) {
  std::fputs(kCaptionTitle, out);
  for (const TypeLine& line : kTypeLines)
    if (!line.two_bytes || two_bytes) std::fprintf(out, "%s = %s\n", line.code, line.caption);
  std::fprintf(out, "%s\n", kMarkCaption);
  std::fprintf(out, "\nTOTAL OF TEXTURE TYPES EXTRACTED:            %d", total_of(totals));
  // The counts line up after the longest label.
  for (const TypeLine& line : kTypeLines) {
    if (line.two_bytes && !two_bytes) continue;
    char label[64];
    std::snprintf(label, sizeof label, "%s:", line.label);
    std::fprintf(out, "\n%-45s%d", label, totals.*line.count);
    if (totals.*line.not_well_formed != 0)
      std::fprintf(out, " (%d are not well formed)", totals.*line.not_well_formed);
  }
  std::fputs("\n", out);
}

void add_page_totals(HtmlPage* page, const ExtractionTotals& totals, bool two_bytes) {
  add_page_total(page, "Textures extracted", total_of(totals), 0);
  for (const TypeLine& line : kTypeLines)
    if (!line.two_bytes || two_bytes) add_page_total(page, line.label, totals.*line.count, totals.*line.not_well_formed);
  // The caption as the legend of the page's filters.
  for (const TypeLine& line : kTypeLines)
    if (!line.two_bytes || two_bytes) add_page_legend(page, line.code, line.caption, totals.*line.count);
  add_page_legend(page, "!", kMarkCaption, not_well_formed_of(totals));
}
