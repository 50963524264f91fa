// The fixed texts of the run: usage, caption and totals, on the report and
// on the page.
#pragma once

#include <cstdio>

#include "walk/run_context.h"

inline constexpr const char* kProgramName = "velmire";
inline constexpr const char* kProgramVersion = "1.0";

void print_usage(FILE* out);
void print_caption_and_totals(FILE* out, const ExtractionTotals& totals);
// The same totals as the lines of the page's header.
void add_page_totals(HtmlPage* page, const ExtractionTotals& totals);
