#include "common/report_types.h"

const ReportType kReportTypes[kReportTypeCount] = {
    {"NO", "Normal", "Normal (with 256 colour palette)", false},
    {"SP", "Splat Pack", "Splat Pack (with 256 colour palette)", false},
    {"2B", "True color (2 bytes per pixel)", "True colour (no palette, 2 bytes per pixel)", true},
    {"3B", "True color (3 bytes per pixel)", "True colour (no palette, 3 bytes per pixel)", false},
    {"4B", "True color (4 bytes per pixel)", "True colour (no palette, 4 bytes per pixel)", false},
};

size_t report_type_index(std::string_view code) {
  for (size_t i = 0; i < kReportTypeCount; ++i)
    if (code == kReportTypes[i].code) return i;
  return 0;
}

void print_caption_types(FILE* out, bool two_bytes) {
  std::fputs("\nTEXTURE TYPES CAPTION:\n", out);
  for (const ReportType& type : kReportTypes)
    if (!type.two_bytes || two_bytes) std::fprintf(out, "%s = %s\n", type.code, type.caption);
}

int32_t total_of(const TextureTotals& totals) {
  int32_t total = 0;
  for (int32_t count : totals.count) total += count;
  return total;
}

void print_totals(FILE* out, const char* heading, const TextureTotals& totals, bool two_bytes) {
  std::fprintf(out, "\n%-45s%d", heading, total_of(totals));
  for (size_t i = 0; i < kReportTypeCount; ++i) {
    if (kReportTypes[i].two_bytes && !two_bytes) continue;
    char label[64];
    std::snprintf(label, sizeof label, "%s:", kReportTypes[i].totals_label);
    std::fprintf(out, "\n%-45s%d", label, totals.count[i]);
    if (totals.not_well_formed[i] != 0) std::fprintf(out, " (%d are not well formed)", totals.not_well_formed[i]);
  }
}
