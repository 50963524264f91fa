#include "html/html_page.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/name_text.h"
#include "fileio/whole_file.h"
#include "html/page_assets.h"
#include "naming/extension.h"
#include "pix/pix_blocks.h"

namespace {

// The size a texture is shown at: the longer side scaled up by a whole
// factor to 64 pixels or more (so that each pixel stays a square of pixels),
// or down to 256.
struct ShownSize {
  uint32_t width, height;
  bool scaled_up;
};

ShownSize shown_size(uint32_t width, uint32_t height) {
  const uint32_t longer = std::max(width, height);
  if (longer == 0) return {width, height, false};
  if (longer < 64) {
    const uint32_t factor = (64 + longer - 1) / longer;
    return {width * factor, height * factor, factor > 1};
  }
  if (longer <= 256) return {width, height, false};
  auto scaled = [longer](uint32_t side) { return std::max<uint32_t>(1, (side * 256 + longer / 2) / longer); };
  return {scaled(width), scaled(height), false};
}

void print_page_failure(const HtmlPage& page) {
  std::fprintf(page.writer.err, "Could not write the page %s\n", page.path.text);
}

void put_figure_number(PageWriter* writer, uint32_t number) {
  // Numbered as the file names number textures.
  put_text(writer, number < 10 ? "000" : number < 100 ? "00" : number < 1000 ? "0" : "");
  put_number(writer, number);
}

}  // namespace

int open_html_page(HtmlPage* page, OutputTree* tree, std::string_view title, size_t source_length, FILE* err) {
  page->writer.err = err;
  page->path = tree->root;
  if (!path_append(&page->path, kPageFileName)) {
    print_path_too_long(err, tree->root.text, kPageFileName);
    return 1;
  }
  page->title = title;
  page->source_length = source_length;
  page->destination_length = tree->root.length;
  FileHandle file;
  if (open_whole_file_for_writing(tree->root_folder, kPageFileName.data(), page->path.text, &file, err,
                                  kPixSignature) != FileResult::ok ||
      start_page_writer(&page->writer, file, page->path.text, err) != 0) {
    print_page_failure(*page);
    return 1;
  }
  PageWriter* writer = &page->writer;
  put_text(writer, "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                   "<meta http-equiv=\"Content-Security-Policy\" content=\"");
  put_text(writer, kPagePolicy);
  put_text(writer, "\">\n<meta name=\"viewport\" content=\"width=device-width\">\n<title>Textures of ");
  char text[kEscapedBytesPerByte * kPathBufferSize];
  put_text(writer, {text, path_text(title, '/', std::string_view::npos, text)});
  put_text(writer, "</title>\n<style>");
  put_text(writer, kPageStyle);
  put_text(writer, "</style>\n</head>\n<body>\n<main>\n");
  return 0;
}

bool is_html_page_path(const HtmlPage& page, std::string_view path) {
  return equal_any_case(path, path_view(page.path));
}

void add_page_figure(HtmlPage* page, std::string_view pix_path, std::string_view image_path, const PageFigure& figure) {
  PageWriter* writer = &page->writer;
  if (path_view(page->section) != pix_path) {
    if (page->section.length != 0) put_text(writer, "</div></details>\n");
    path_assign(&page->section, pix_path);
    const std::string_view below = pix_path.substr(std::min(page->source_length, pix_path.size()));
    // A member's name is stored bytes, unless the walk has made it text.
    const size_t member = figure.archive_member && !kNameTextIsUtf8 ? below.find_last_of(kPathSeparator) + 1
                                                                    : std::string_view::npos;
    page->section_text_length = path_text(below, kPathSeparator, member, page->section_text);
    put_text(writer, "<details open><summary><h2>");
    put_text(writer, {page->section_text, page->section_text_length});
    put_text(writer, "</h2></summary><div>\n");
  }
  const std::string_view image = image_path.substr(std::min(page->destination_length, image_path.size()));
  char link_bytes[3 * kPathBufferSize];
  const std::string_view link(link_bytes, link_of_path(image.substr(0, kPathBufferSize), kPathSeparator, link_bytes));
  char name_bytes[kEscapedBytesPerByte * kPathBufferSize];
  const std::string_view name(name_bytes, name_text(figure.name, name_bytes));

  put_text(writer, "<figure data-code=\"");
  if (!figure.well_formed) put_text(writer, "!");
  put_text(writer, figure.code);  // the report's own codes, and the table's formats: no markup
  put_text(writer, "\" data-format=\"");
  put_text(writer, figure.format);
  put_text(writer, "\" data-path=\"");
  put_text(writer, {page->section_text, page->section_text_length});
  if (has_image_extension(image)) {
    put_text(writer, "\"><a href=\"");
    put_text(writer, link);
    put_text(writer, "\"");
  } else {
    // No link: the script opens the viewer on Enter as on a click.
    put_text(writer, "\"><a tabindex=\"0\" role=\"button\"");
  }
  if (figure.well_formed) {
    const ShownSize shown = shown_size(figure.width, figure.height);
    put_text(writer, "><img src=\"");
    put_text(writer, link);
    put_text(writer, "\" width=");
    put_number(writer, shown.width);
    put_text(writer, " height=");
    put_number(writer, shown.height);
    put_text(writer, shown.scaled_up ? " class=pixelated alt=\"" : " alt=\"");
    put_text(writer, name);
    put_text(writer, "\" loading=lazy></a>");
  } else {
    put_text(writer, " class=placeholder>Browsers show this BMP file garbled: its rows lack the padding bytes BMP "
                     "files need. With -png velmire writes it as a PNG file, which they show right.</a>");
  }
  put_text(writer, "<figcaption>");
  put_figure_number(writer, static_cast<uint32_t>(figure.number));
  put_text(writer, " <b>");
  put_text(writer, name);
  put_text(writer, "</b><br>");
  put_number(writer, figure.width);
  put_text(writer, "\xC3\x97");  // the multiplication sign
  put_number(writer, figure.height);
  put_text(writer, figure.well_formed ? " " : " !");
  put_text(writer, figure.code);
  put_text(writer, " ");
  put_text(writer, figure.format);
  put_text(writer, "</figcaption></figure>\n");
}

void begin_page_totals(HtmlPage* page) {
  PageWriter* writer = &page->writer;
  if (page->section.length != 0) put_text(writer, "</div></details>\n");
  put_text(writer, "</main>\n<aside>\n<ul>\n");
}

void add_page_total(HtmlPage* page, std::string_view label, int32_t count, int32_t not_well_formed) {
  PageWriter* writer = &page->writer;
  put_text(writer, "<li>");
  put_escaped(writer, label);
  put_text(writer, ": ");
  put_number(writer, static_cast<uint32_t>(count));
  if (not_well_formed != 0) {
    put_text(writer, " (");
    put_number(writer, static_cast<uint32_t>(not_well_formed));
    put_text(writer, " not well formed)");
  }
  put_text(writer, "</li>\n");
}

void add_page_legend(HtmlPage* page, std::string_view code, std::string_view words, int32_t count) {
  PageWriter* writer = &page->writer;
  if (!page->legend_started) {
    page->legend_started = true;
    put_text(writer, "</ul>\n<fieldset><legend>Show only the types ticked</legend>\n");
  }
  put_text(writer, "<label><input type=\"checkbox\" value=\"");
  put_escaped(writer, code);
  put_text(writer, "\"><b>");
  put_escaped(writer, code);
  put_text(writer, "</b> <span>");
  put_escaped(writer, words);
  put_text(writer, "</span> <output>");
  put_number(writer, static_cast<uint32_t>(count));
  put_text(writer, "</output></label>\n");
}

int close_html_page(HtmlPage* page) {
  PageWriter* writer = &page->writer;
  put_text(writer, page->legend_started ? "</fieldset>\n" : "</ul>\n");
  put_text(writer, "<nav aria-label=\"PIX files\"><h2>PIX files</h2></nav>\n</aside>\n<header>\n<h1>Textures of ");
  char text[kEscapedBytesPerByte * kPathBufferSize];
  put_text(writer, {text, path_text(page->title, '/', std::string_view::npos, text)});
  put_text(writer, "</h1>\n");
  put_text(writer, kPageControls);
  put_text(writer, "<script>");
  put_text(writer, kPageScript);
  put_text(writer, "</script>\n</body>\n</html>\n");
  if (finish_page_writer(writer) == 0) return 0;
  print_page_failure(*page);
  return 1;
}
