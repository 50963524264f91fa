// The demo: the sample PIX files shipped with the project, extracted as the
// README's first command does.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(Samples, TheDemoReportAndFiles) {
  TempDir dir;
  fs::path samples = source_tree_path("samples");
  RunResult result = run_velmire({samples.string(), dir.sub("demo-output"), "-racepal", "-r"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out),
            "3B: COLOURS.PIX (BARS24.PIX) --> 0001. BARS24.PIX.BMP\n"
            "4B: COLOURS.PIX (SUNSET32.PIX) --> 0002. SUNSET32.PIX.BMP\n"
            "SP: SPLAT.PIX (TARGET.PIX) --> 0001. TARGET.PIX.BMP\n"
            "NO: TRACK.PIX (CHECKER.PIX) --> 0001. CHECKER.PIX.BMP\n"
            "NO: TRACK.PIX (GRADIENT.PIX) --> 0002. GRADIENT.PIX.BMP\n"
            "NO: TRACK.PIX () --> 0003. no_name.bmp\n"
            "!NO: TRACK.PIX (LETTER_V.PIX) --> 0004. LETTER_V.PIX.BMP\n");
  EXPECT_EQ(totals_block(result.out),
            totals_text({.normal = 4, .normal_bad = 1, .splat = 1, .rgb = 1, .xrgb = 1}));
  int bmp_files = 0;
  for (const std::string& entry : list_tree(dir.path / "demo-output"))
    if (entry.back() != '/') ++bmp_files;
  EXPECT_EQ(bmp_files, 7);
}

}  // namespace
