#include "walk/extract_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes one_texture(const char* name) {
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{1, 2, 3, 4});
  return pix.bytes;
}

TEST(FolderWalk, PixFilesAreKnownByTheirSignatureNotTheirName) {
  TempDir dir;
  fs::path src = dir.path / "src";
  Bytes signature(kPixSignature.begin(), kPixSignature.end());
  write_file(src / "empty.pix", Bytes{});
  write_file(src / "fifteen.pix", Bytes(signature.begin(), signature.end() - 1));
  write_file(src / "sixteen.dat", signature);  // a PIX file without blocks
  Bytes seventeen = signature;
  seventeen.push_back(0x03);
  write_file(src / "seventeen", seventeen);
  Bytes almost = one_texture("almost");
  almost[5] ^= 1;
  write_file(src / "ALMOST.PIX", almost);
  write_file(src / "readme.txt", one_texture("texture in a .txt"));
  write_file(src / "noext", one_texture("no extension"));
  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-noenum"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: noext (no extension) --> no extension.bmp\n"
                                      "NO: readme.txt (texture in a .txt) --> texture in a .txt.bmp\n");
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>({"noext/", "noext/no extension.bmp", "readme.txt/",
                                                                   "readme.txt/texture in a .txt.bmp"}));
}

TEST(FolderWalk, RecursionIsDepthFirstInCaseFoldedOrder) {
  TempDir dir;
  fs::path src = dir.path / "src";
  write_file(src / "b.pix", one_texture("1"));
  write_file(src / "A" / "z.pix", one_texture("2"));
  write_file(src / "A" / "a" / "y.pix", one_texture("3"));
  write_file(src / "a.pix", one_texture("4"));
  write_file(src / "C.pix", one_texture("5"));
  RunResult flat = run_velmire({dir.sub("src"), dir.sub("flat"), "-menupal", "-file", "-extoriginal"});
  EXPECT_EQ(report_lines(flat.out), "NO: a.pix (4) --> a.pix - 0001. 4\n"
                                    "NO: b.pix (1) --> b.pix - 0001. 1\n"
                                    "NO: C.pix (5) --> C.pix - 0001. 5\n");
  RunResult deep = run_velmire({dir.sub("src"), dir.sub("deep"), "-menupal", "-file", "-r", "-extoriginal"});
  EXPECT_EQ(report_lines(deep.out), "NO: y.pix (3) --> y.pix - 0001. 3\n"
                                    "NO: z.pix (2) --> z.pix - 0001. 2\n"
                                    "NO: a.pix (4) --> a.pix - 0001. 4\n"
                                    "NO: b.pix (1) --> b.pix - 0001. 1\n"
                                    "NO: C.pix (5) --> C.pix - 0001. 5\n");
  EXPECT_TRUE(fs::exists(dir.path / "deep" / "A" / "a" / "y.pix - 0001. 3"));
}

TEST(ListingOrder, FoldsLowerCaseOntoUpperCaseAndBreaksTiesByRawBytes) {
  std::vector<std::string> names = {"b", "B", "a_", "A", "aB", "Ab", "[", "_", "a", "~", "Z", "z1"};
  std::sort(names.begin(), names.end(), listing_order);
  // '[' and '_' lie between 'Z' and 'a': folded, they sort after every letter.
  EXPECT_EQ(names, std::vector<std::string>({"A", "a", "Ab", "aB", "a_", "B", "b", "Z", "z1", "[",
                                             "_", "~"}));
}

// A link to nowhere is an entry whose file cannot be opened: the signature
// test reports it and the rest of that folder is not visited.
void dangling_link(const fs::path& path) {
  fs::create_symlink("nowhere-" + path.filename().string(), path);
}

TEST(FolderWalk, AFileThatCannotBeCheckedEndsOnlyItsOwnFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  for (const char* folder : {"a", "b", "B"}) fs::create_directories(src / folder);
  dangling_link(src / "b" / "x");
  dangling_link(src / "B" / "y");
  dangling_link(src / "B" / "z");  // after y: never reached
  dangling_link(src / "a" / "w");
  const std::string s = sep();
  auto message = [&](const std::string& relative) {
    std::string path = dir.sub("src") + s + relative;
    return "Couldn't read file " + path + "Could not check if the file " + path + " is a correct PIX\n";
  };

  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, message("a" + s + "w") + message("B" + s + "y") + message("b" + s + "x"));

  // Without recursion the subfolders are not even listed.
  result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
}

TEST(FolderWalk, ALinkBackToAnAncestorIsSkippedWithAMessage) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links: making them on Windows needs a privilege most accounts lack";
#endif
  TempDir dir;
  fs::path src = dir.path / "src";
  fs::create_directories(src / "a" / "b");
  fs::create_directory_symlink("..", src / "a" / "b" / "up1");
  fs::create_directory_symlink("..", src / "a" / "b" / "up2");
  fs::create_directory_symlink(src, src / "a" / "top");
  const std::string s = sep();
  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r"});
  EXPECT_EQ(result.status, 0);
  std::string a = dir.sub("src") + s + "a" + s;
  auto skipped = [](const std::string& path) {
    return "Skipped folder " + path + ": it leads back into a folder that is being walked\n";
  };
  EXPECT_EQ(result.err, skipped(a + "b" + s + "up1" + s) + skipped(a + "b" + s + "up2" + s) +
                            skipped(a + "top" + s));
  EXPECT_FALSE(fs::exists(dir.path / "dst" / "a"));  // the walk itself creates no folders
}

TEST(FolderWalk, EntriesWhosePathWouldNotFitAreSkipped) {
  TempDir dir;
  const std::string s = sep();
  // Enough to pass 259 characters with the temporary folder's own path.
  std::string long_folder(std::max<size_t>(10, 250 - dir.str().size()), 'f');
  std::string long_name(40, 'n');
  fs::create_directories(dir.path / "src" / long_folder / long_name);
  write_file(dir.path / "src" / long_folder / (long_name + ".pix"), std::string(20, 'x'));
  RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-r"});
  EXPECT_EQ(result.status, 0);
  std::string folder = dir.sub("src") + s + long_folder + s;
  EXPECT_EQ(result.err, "ERROR: The path " + folder + long_name + " is too long\n" +
                            "ERROR: The path " + folder + long_name + ".pix is too long\n");
}

}  // namespace
