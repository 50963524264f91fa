// Names Windows reserves for devices, or whose last dot or space it drops,
// get a '_' there, so that they become files like any other; elsewhere they
// are ordinary names and stay as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

TEST(OutputNames, NamesWindowsReservesBecomeFilesThere) {
  const char* names[] = {"CON", "aux.pix", "NUL.tga", "com1", "LPT1.PIX", "ordinary", "dot.", "space "};
#ifdef _WIN32
  std::vector<std::string> expected = {"_CON", "_aux.pix", "_NUL.tga", "_com1", "_LPT1.PIX", "ordinary", "dot_", "space_"};
#else
  std::vector<std::string> expected(std::begin(names), std::end(names));
#endif
  TempDir dir;
  write_file(dir.path / "src" / "R.PIX", pix_of_textures({std::begin(names), std::end(names)}));
  RunResult result = run_velmire({dir.sub("src"), dir.sub("out"), "-racepal", "-noenum", "-extoriginal"});
  EXPECT_EQ(result.err, "");
  for (std::string& name : expected) name = "R.PIX/" + name;
  expected.push_back("R.PIX/");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list_tree(dir.path / "out"), expected);
}

}  // namespace
