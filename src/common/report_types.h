// The texture types of the report, one table for velmire's report and
// velmire-pack's, their captions and totals, and the page: the code that
// starts each report line, what the caption says it means, and the label of
// its totals line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

struct ReportType {
  const char* code;          // "NO", "SP", "2B", "3B", "4B"
  const char* caption;       // the caption's words after "NO = "
  const char* totals_label;  // its totals line, before the count
  bool two_bytes;            // listed only where 2-byte textures may be: with -c2
};

inline constexpr size_t kReportTypeCount = 5;
extern const ReportType kReportTypes[kReportTypeCount];

// The index of a code in kReportTypes (0, "NO", for a code it does not hold).
size_t report_type_index(std::string_view code);

// Textures by report type, and of those how many have rows that are not
// well formed.
struct TextureTotals {
  int32_t count[kReportTypeCount] = {};
  int32_t not_well_formed[kReportTypeCount] = {};
};

// The caption's heading and one line per type ("NO = Normal"), the 2-byte
// one only when `two_bytes`.
void print_caption_types(FILE* out, bool two_bytes);

// The totals: a line break, the heading ("TOTAL OF TEXTURE TYPES
// EXTRACTED:") with the sum of all types, then each type's line after a line
// break, with " (N are not well formed)" where there are such; no line break
// at the end. The 2-byte line only when `two_bytes`. Counts line up after
// the longest label.
void print_totals(FILE* out, const char* heading, const TextureTotals& totals, bool two_bytes);

// The sum of all types.
int32_t total_of(const TextureTotals& totals);
