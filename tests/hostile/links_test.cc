// Links in the source tree. With "-r" a web of links between folders is
// walked quickly, each folder once, and every link that leads back into a
// folder being walked or into one walked already is skipped with a message.
// (Links in the destination: write_failures_test.cc.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

// Nine folders, each linked to every other one and to the top: followed
// blindly, hundreds of thousands of paths within the length limit.
TEST(SourceLinks, AWebOfLinksIsWalkedOnceAndQuickly) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  const std::string letters = "abcdefghi";
  for (char c : letters) write_file(src / std::string(1, c) / "P.PIX", pix_of_textures({std::string(1, c)}));
  for (char from : letters) {
    fs::create_directory_symlink("..", src / std::string(1, from) / "top");
    for (char to : letters)
      if (to != from) fs::create_directory_symlink("../" + std::string(1, to), src / std::string(1, from) / std::string(1, to));
  }
  auto start = std::chrono::steady_clock::now();
  RunResult result = run_velmire({src.string(), dir.sub("dst"), "-menupal", "-r", "-file"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(result.status, 2);
  std::string report = report_lines(result.out);
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 9);
  // a is walked first and b through a's link; "top" in a leads back, and b's
  // own entry leads into a folder walked already.
  const std::string s = sep();
  std::string a = src.string() + s + "a" + s;
  EXPECT_EQ(result.err.find("Skipped folder " + a + "b" + s + "a" + s +
                            ": it leads back into a folder that is being walked\n"), 0u) << result.err;
  EXPECT_NE(result.err.find("Skipped folder " + src.string() + s + "b" + s +
                            ": it leads into a folder that was walked already\n"), std::string::npos);
  // Every folder entry is walked once or skipped: nine listings of nine
  // links and the top's nine folders, less the nine first walks.
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 81);
  EXPECT_TRUE(fs::exists(dir.path / "dst" / "a" / "b" / "P.PIX - 0001. b.bmp"));
}

// A file that cannot be opened (here a link to nowhere) is reported and ends
// its folder's walk; the parent goes on. With -k only the file is passed.
TEST(SourceLinks, AFileThatCannotBeOpenedEndsOnlyItsOwnFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  fs::create_directories(src / "a");
  fs::create_symlink("nowhere", src / "a" / "x");
  write_file(src / "a" / "y", pix_of_textures({"y"}));
  write_file(src / "b" / "B.PIX", pix_of_textures({"b"}));
  for (const char* keep_going : {"-r", "-k"}) {
    RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r", "-file", keep_going});
    std::string path = dir.sub("src") + sep() + "a" + sep() + "x";
    EXPECT_EQ(result.err, "Couldn't read file " + path + "\nCould not check if the file " + path + " is a correct PIX\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(report_lines(result.out), std::string(keep_going) == "-k"
                                            ? "NO: y (y) --> y - 0001. y.bmp\nNO: B.PIX (b) --> B.PIX - 0001. b.bmp\n"
                                            : "NO: B.PIX (b) --> B.PIX - 0001. b.bmp\n");
  }
}

}  // namespace

// A file in a folder the run has just made is made by its path from the
// parent, which must refuse a link planted in the middle of that path.
TEST(DestinationLinks, APathFromTheParentRefusesALinkOnTheWay) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no such call: the folder is opened itself";
#else
  TempDir dir;
  fs::create_directories(dir.path / "parent");
  fs::create_directories(dir.path / "outside");
  fs::create_directory_symlink(dir.path / "outside", dir.path / "parent" / "made");
  FolderHandle parent;
  ASSERT_EQ(open_folder(dir.sub("parent").c_str(), &parent), 0);
  FileHandle file;
  const int error_number = create_new_file_below(parent, "made/X.PIX", &file);
  close_folder(&parent);
  EXPECT_NE(error_number, 0);
  if (error_number == 0) close_file(file);
  EXPECT_FALSE(fs::exists(dir.path / "outside" / "X.PIX"));
#endif
}
