// Links in the source tree and in the destination. With "-r" a web of links
// between source folders is walked quickly, each folder once, and every link
// that leads back into a folder being walked or into one walked already is
// skipped with a message; the walk reads through links, but never writes
// through one below the destination.
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

// Nine folders, each linked to every other one and to the top: followed
// blindly, hundreds of thousands of paths within the length limit.
TEST(SourceLinks, AWebOfLinksIsWalkedOnceAndQuickly) {
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
  RunResult result = run_velmire({src.string(), dir.sub("dst"), "-menupal", "-r", "-file"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(result.status, 0);
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
// its folder's walk; the parent goes on.
TEST(SourceLinks, AFileThatCannotBeOpenedEndsOnlyItsOwnFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  fs::create_directories(src / "a");
  fs::create_symlink("nowhere", src / "a" / "x");
  write_file(src / "a" / "y", one_texture("never reached"));
  write_file(src / "b" / "B.PIX", one_texture("b"));
  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r", "-file"});
  std::string path = dir.sub("src") + sep() + "a" + sep() + "x";
  EXPECT_EQ(result.err, "Couldn't read file " + path + "Could not check if the file " + path + " is a correct PIX\n");
  EXPECT_EQ(report_lines(result.out), "NO: B.PIX (b) --> B.PIX - 0001. b.bmp\n");
}

// Links planted below the destination never receive a file or a folder:
// what stands in the way makes its texture fail, and the walk goes on as
// after any write failure.
TEST(DestinationLinks, NothingIsWrittenThroughALinkBelowTheDestination) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  struct Case {
    const char* what;
    std::vector<std::string> options;
    const char* link;  // below the destination, to the outside folder (or a file in it)
    const char* report;
  };
  const Case cases[] = {
      {"the folder of a PIX file", {"-r"}, "Z.PIX", "NO: A.PIX (a) --> 0001. a.bmp\nNO: B.PIX (b) --> 0001. b.bmp\n"},
      {"a subfolder", {"-r"}, "sub", "NO: A.PIX (a) --> 0001. a.bmp\nNO: Z.PIX (z) --> 0001. z.bmp\n"},
      {"the file itself", {"-r"}, "Z.PIX/0001. z.bmp", "NO: A.PIX (a) --> 0001. a.bmp\nNO: B.PIX (b) --> 0001. b.bmp\n"},
      {"a linked source subfolder, destination = source", {"-r", "-file"}, nullptr,
       "NO: A.PIX (a) --> A.PIX - 0001. a.bmp\nNO: B.PIX (b) --> B.PIX - 0001. b.bmp\n"
       "NO: Z.PIX (z) --> Z.PIX - 0001. z.bmp\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::path src = dir.path / "src", outside = dir.path / "outside";
    write_file(src / "A.PIX", one_texture("a"));
    write_file(src / "sub" / "B.PIX", one_texture("b"));
    write_file(src / "Z.PIX", one_texture("z"));
    write_file(outside / "C.PIX", one_texture("c"));
    fs::path dst = c.link != nullptr ? dir.path / "dst" : src;
    if (c.link != nullptr) {
      fs::create_directories((dst / c.link).parent_path());
      fs::create_symlink(fs::path(c.link).has_extension() && std::string(c.link).find(".bmp") != std::string::npos
                             ? outside / "C.PIX"
                             : outside,
                         dst / c.link);
    } else {
      fs::create_directory_symlink(outside, src / "linked");
    }
    std::vector<std::string> arguments = {src.string(), dst.string(), "-menupal"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    RunResult result = run_velmire(arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(report_lines(result.out), c.report);
    EXPECT_NE(result.err.find("Could not write to destination file"), std::string::npos) << result.err;
    EXPECT_EQ(list_tree(outside), std::vector<std::string>({"C.PIX"}));
    EXPECT_EQ(read_file(outside / "C.PIX"), one_texture("c"));
  }
}

}  // namespace
