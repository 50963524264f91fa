// Links between folders can make a tree without end: with "-r" the walk
// still ends quickly, walks each folder once, and says what it skipped.
// (A link back into a folder being walked is covered in
// walk/extract_folder_test.cc.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes one_texture(const std::string& name) {
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{1, 2, 3, 4});
  return pix.bytes;
}

std::string skipped_as_ancestor(const std::string& path) {
  return "Skipped folder " + path + ": it leads back into a folder that is being walked\n";
}

std::string skipped_as_walked(const std::string& path) {
  return "Skipped folder " + path + ": it leads into a folder that was walked already\n";
}

// a and b link to each other. a is walked first, and b through a's link;
// b's own entry is then skipped, so each PIX file is extracted once.
TEST(LinkLoops, FoldersLinkedToEachOtherAreWalkedOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  write_file(src / "a" / "A.PIX", one_texture("from a"));
  write_file(src / "b" / "B.PIX", one_texture("from b"));
  fs::create_directory_symlink("../b", src / "a" / "to-b");
  fs::create_directory_symlink("../a", src / "b" / "to-a");
  RunResult result = run_velmire({src.string(), dir.sub("dst"), "-menupal", "-r", "-file"});
  const std::string s = sep();
  std::string a = src.string() + s + "a" + s;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, skipped_as_ancestor(a + "to-b" + s + "to-a" + s) + skipped_as_walked(src.string() + s + "b" + s));
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (from a) --> A.PIX - 0001. from a.bmp\n"
                                      "NO: B.PIX (from b) --> B.PIX - 0001. from b.bmp\n");
  EXPECT_TRUE(fs::exists(dir.path / "dst" / "a" / "to-b" / "B.PIX - 0001. from b.bmp"));
}

// Nine folders, each linked to every other one and to the top: without a
// record of the folders walked, the walk would follow every path through
// the links, hundreds of thousands of them within the path length limit.
TEST(LinkLoops, ADenseWebOfLinksEndsQuickly) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  const std::string letters = "abcdefghi";
  for (char c : letters) write_file(src / std::string(1, c) / "P.PIX", one_texture(std::string(1, c)));
  for (char from : letters) {
    fs::create_directory_symlink("..", src / std::string(1, from) / "top");
    for (char to : letters)
      if (to != from) fs::create_directory_symlink("../" + std::string(1, to), src / std::string(1, from) / std::string(1, to));
  }
  auto start = std::chrono::steady_clock::now();
  RunResult result = run_velmire({src.string(), dir.sub("dst"), "-menupal", "-r"});
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.status, 0);
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  // Each folder's PIX file once.
  std::string report = report_lines(result.out);
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 9);
  // Every folder entry is walked once or skipped with a message: nine
  // listings of nine links each and the top's nine folders, less the nine
  // entries that lead to a first walk.
  size_t skipped = 0;
  for (size_t at = 0; (at = result.err.find("Skipped folder ", at)) != std::string::npos; ++at) ++skipped;
  EXPECT_EQ(skipped, 81u);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 81);
}

}  // namespace
