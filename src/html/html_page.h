// The page "-html" writes: index.html in the destination folder, showing
// every texture the walk writes as a figure under the heading of its PIX
// file, with the run's totals and a field that filters the figures by name.
// It is written as the walk goes, through a buffer of a fixed size, so that
// memory does not grow with the number of textures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/path_buffer.h"
#include "fileio/output_tree.h"
#include "html/page_writer.h"

inline constexpr std::string_view kPageFileName = "index.html";

struct HtmlPage {
  PageWriter writer;
  PathBuffer path;                // index.html's, in the destination folder
  std::string_view title;         // the source folder as the command line names it
  size_t source_length = 0;       // what a PIX file's path holds before its path below the source
  size_t destination_length = 0;  // the same for an image's path below the destination
  PathBuffer section;             // the PIX file whose figures come now; empty before the first
};

// One written texture as its figure shows it.
struct PageFigure {
  int32_t number = 0;     // within its PIX file, from 1
  std::string_view name;  // as stored; may be empty
  uint16_t width = 0;
  uint16_t height = 0;
  std::string_view code;  // the report's type code
  bool well_formed = true;  // false: the report marks it "!", and browsers cannot show its BMP file
};

// Creates index.html in the tree's root as every output file is made (no
// link followed, never over a PIX file) and writes the page's start.
// `source_length` is the length of the source folder's path, separator
// included. Returns 0, or 1 after a message.
int open_html_page(HtmlPage* page, OutputTree* tree, std::string_view title, size_t source_length, FILE* err);

// Whether an output file's path is the page's, in any letter case (some file
// systems do not tell them apart): no texture may be written over the page.
bool is_html_page_path(const HtmlPage& page, std::string_view path);

// The figure of a texture of the PIX file at `pix_path`, written at
// `image_path`; the first of each PIX file comes under a new heading.
void add_page_figure(HtmlPage* page, std::string_view pix_path, std::string_view image_path, const PageFigure& figure);

// After the last figure: the header with the title and the totals, one
// add_page_total for each line, then close_html_page.
void begin_page_totals(HtmlPage* page);
void add_page_total(HtmlPage* page, std::string_view label, int32_t count, int32_t not_well_formed);

// Writes the page's end and closes it. Returns 0, or 1 when any part of the
// page could not be written (after a message).
int close_html_page(HtmlPage* page);
