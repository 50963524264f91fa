// The page "-html" writes: index.html in the destination folder, showing
// every texture the walk writes as a figure in the folding section of its
// PIX file, with the run's totals, the legend of the report's codes (as
// filters), a map of the PIX files, a search field and a viewer (the
// script of page_assets). It is written as the walk goes, through a buffer
// of a fixed size, so that memory does not grow with the number of
// textures: what is known only at the end (totals, legend, title bar) is
// written last, and the script puts it first.
//
// Names stored in PIX files and TWT archives show as the Windows-1252
// characters their bytes stand for; paths from the file system keep their
// UTF-8 and show only other bytes so: the page is UTF-8 throughout. Links
// encode the files' real bytes.
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
  // Its path below the source folder as page text, for each figure's data-path.
  char section_text[kEscapedBytesPerByte * kPathBufferSize] = {};
  size_t section_text_length = 0;
  bool legend_started = false;  // add_page_legend has written its first line
};

// One written texture as its figure shows it.
struct PageFigure {
  int32_t number = 0;     // within its PIX file, from 1
  std::string_view name;  // as stored; may be empty
  uint16_t width = 0;
  uint16_t height = 0;
  std::string_view code;    // the report's type code
  std::string_view format;  // the pixel format, which captions name after the code
  bool well_formed = true;  // false: the report marks it "!", and browsers show its BMP file garbled
  bool archive_member = false;  // the PIX file is a member of a TWT archive, named as stored there
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
// `image_path`; the first of each PIX file opens its section. The figure
// links to its file only when browsers open it as an image (".bmp" or
// ".png", in any letter case): any other file would open as a document,
// whose bytes are the texture's pixels, and these could make script.
void add_page_figure(HtmlPage* page, std::string_view pix_path, std::string_view image_path, const PageFigure& figure);

// After the last figure: begin_page_totals, one add_page_total for each
// line of the totals, one add_page_legend for each code of the report's
// caption (its words, and how many textures bear it), then close_html_page.
void begin_page_totals(HtmlPage* page);
void add_page_total(HtmlPage* page, std::string_view label, int32_t count, int32_t not_well_formed);
void add_page_legend(HtmlPage* page, std::string_view code, std::string_view words, int32_t count);

// Writes the page's end and closes it. Returns 0, or 1 when any part of the
// page could not be written (after a message).
int close_html_page(HtmlPage* page);
