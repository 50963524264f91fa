// The fixed texts of the run: usage, caption and totals, on the report and
// on the page.
#pragma once

#include <cstdio>

#include "walk/run_context.h"

inline constexpr const char* kProgramName = "velmire";
// The usage text's first line says "velmire 1.0" whatever the version:
// scripts compare that text byte for byte. --version says VELMIRE_VERSION.
inline constexpr const char* kUsageVersion = "1.0";

void print_usage(FILE* out);
// The lines of the 2-byte code ("2B") only when `two_bytes` (with "-c2").
void print_caption_and_totals(FILE* out, const ExtractionTotals& totals, bool two_bytes);
// The hint after the report of a run without "-c2" that met `files` files
// only "-c2" reads.
void print_newer_files_hint(FILE* err, int32_t files);
// The same totals as the lines of the page's aside, and the caption as the
// legend of its filters.
void add_page_totals(HtmlPage* page, const ExtractionTotals& totals, bool two_bytes);
