// A destination that cannot be written: the texture's write-failure
// messages, then the walk of that folder ends and its parent goes on, and
// every BMP file written before the failure stays as it was written.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

Bytes textures(const Names& names) {
  PixFile pix = start_pix_file();
  uint8_t value = 1;
  for (const std::string& name : names) {
    add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{value, 2, 3, 4});
    ++value;
  }
  return pix.bytes;
}

// A.PIX, then the subfolder "sub" with B.PIX and C.PIX, then Z.PIX. A
// failure in "sub" must leave A's files as they were and let Z be written.
fs::path plant_source(const TempDir& dir) {
  fs::path src = dir.path / "src";
  write_file(src / "A.PIX", textures({"a1", "a2"}));
  write_file(src / "sub" / "B.PIX", textures({"b1", "b2"}));
  write_file(src / "sub" / "C.PIX", textures({"c1", "c2"}));
  write_file(src / "Z.PIX", textures({"z1"}));
  return src;
}

// Every file the same run writes into an untouched destination, by path.
std::map<std::string, Bytes> reference_files(const fs::path& src) {
  TempDir clean;
  run_velmire({src.string(), clean.sub("dst"), "-menupal", "-r"});
  std::map<std::string, Bytes> files;
  for (const std::string& entry : list_tree(clean.path / "dst"))
    if (entry.back() != '/') files[entry] = read_file(clean.path / "dst" / entry);
  return files;
}

std::string write_failure(const std::string& path) {
  return "Cannot open file " + path + " for writing" + "Could not write to destination file " + path + "\n";
}

const char kAllButSub[] = "NO: A.PIX (a1) --> 0001. a1.bmp\n"
                          "NO: A.PIX (a2) --> 0002. a2.bmp\n"
                          "NO: Z.PIX (z1) --> 0001. z1.bmp\n";

// The files of the run that the reference run wrote too are byte for byte
// the same.
void expect_same_as_reference(const fs::path& dst, const std::map<std::string, Bytes>& reference,
                              const Names& expected) {
  for (const std::string& name : expected) {
    ASSERT_TRUE(reference.count(name)) << name;
    ASSERT_TRUE(fs::is_regular_file(dst / name)) << name;
    EXPECT_EQ(read_file(dst / name), reference.at(name)) << name;
  }
}

TEST(WriteFailures, AFileStandsWhereASubfolderMustBeCreated) {
  TempDir dir;
  fs::path src = plant_source(dir);
  auto reference = reference_files(src);
  fs::path dst = dir.path / "dst";
  write_file(dst / "sub", std::string("a file, not a folder"));
  RunResult result = run_velmire({src.string(), dst.string(), "-menupal", "-r"});
  const std::string s = sep();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, write_failure(dst.string() + s + "sub" + s + "B.PIX" + s + "0001. b1.bmp"));
  EXPECT_EQ(report_lines(result.out), kAllButSub);
  EXPECT_EQ(totals_block(result.out), totals_text({.normal = 3}));
  EXPECT_EQ(list_tree(dst), Names({"A.PIX/", "A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "Z.PIX/",
                                   "Z.PIX/0001. z1.bmp", "sub"}));
  expect_same_as_reference(dst, reference, {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "Z.PIX/0001. z1.bmp"});
  EXPECT_EQ(read_file(dst / "sub"), Bytes({'a', ' ', 'f', 'i', 'l', 'e', ',', ' ', 'n', 'o', 't', ' ', 'a', ' ',
                                           'f', 'o', 'l', 'd', 'e', 'r'}));
}

TEST(WriteFailures, AFileStandsWhereAPixFilesFolderMustBeCreated) {
  TempDir dir;
  fs::path src = plant_source(dir);
  auto reference = reference_files(src);
  fs::path dst = dir.path / "dst";
  // B.PIX is written, then C.PIX's folder cannot be made.
  write_file(dst / "sub" / "C.PIX", std::string("in the way"));
  RunResult result = run_velmire({src.string(), dst.string(), "-menupal", "-r"});
  const std::string s = sep();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, write_failure(dst.string() + s + "sub" + s + "C.PIX" + s + "0001. c1.bmp"));
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (a1) --> 0001. a1.bmp\n"
                                      "NO: A.PIX (a2) --> 0002. a2.bmp\n"
                                      "NO: B.PIX (b1) --> 0001. b1.bmp\n"
                                      "NO: B.PIX (b2) --> 0002. b2.bmp\n"
                                      "NO: Z.PIX (z1) --> 0001. z1.bmp\n");
  expect_same_as_reference(dst, reference, {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "sub/B.PIX/0001. b1.bmp",
                                            "sub/B.PIX/0002. b2.bmp", "Z.PIX/0001. z1.bmp"});
  EXPECT_EQ(read_file(dst / "sub" / "C.PIX"), Bytes({'i', 'n', ' ', 't', 'h', 'e', ' ', 'w', 'a', 'y'}));
}

// Also what a pipe standing where a BMP file must go gets: opening it would
// wait for a reader that never comes.
TEST(WriteFailures, APipeStandsWhereABmpFileMustBeWritten) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX named pipes: Windows has none in its folders";
#else
  TempDir dir;
  fs::path src = plant_source(dir);
  fs::path dst = dir.path / "dst";
  fs::create_directories(dst / "sub" / "B.PIX");
  ASSERT_EQ(mkfifo((dst / "sub" / "B.PIX" / "0002. b2.bmp").c_str(), 0666), 0);
  RunResult result = run_velmire({src.string(), dst.string(), "-menupal", "-r"});
  const std::string s = sep();
  EXPECT_EQ(result.err, write_failure(dst.string() + s + "sub" + s + "B.PIX" + s + "0002. b2.bmp"));
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (a1) --> 0001. a1.bmp\n"
                                      "NO: A.PIX (a2) --> 0002. a2.bmp\n"
                                      "NO: B.PIX (b1) --> 0001. b1.bmp\n"
                                      "NO: Z.PIX (z1) --> 0001. z1.bmp\n");
  EXPECT_TRUE(fs::is_fifo(dst / "sub" / "B.PIX" / "0002. b2.bmp"));
#endif
}

// Root writes whatever the permissions say, so this can only be checked by
// another user; the reasoning: creating B.PIX's folder inside the
// read-only "sub" fails, and so does creating its first BMP file there.
TEST(WriteFailures, AReadOnlyDestinationFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permissions: Windows has no owner permission bits to take away";
#endif
  if (permissions_are_ignored()) GTEST_SKIP() << "running as root: permissions are not enforced";
  TempDir dir;
  fs::path src = plant_source(dir);
  auto reference = reference_files(src);
  fs::path dst = dir.path / "dst";
  fs::create_directories(dst / "sub");
  fs::permissions(dst / "sub", fs::perms::owner_read | fs::perms::owner_exec);
  RunResult result = run_velmire({src.string(), dst.string(), "-menupal", "-r"});
  const std::string s = sep();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, write_failure(dst.string() + s + "sub" + s + "B.PIX" + s + "0001. b1.bmp"));
  EXPECT_EQ(report_lines(result.out), kAllButSub);
  EXPECT_EQ(list_tree(dst), Names({"A.PIX/", "A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "Z.PIX/",
                                   "Z.PIX/0001. z1.bmp", "sub/"}));
  expect_same_as_reference(dst, reference, {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "Z.PIX/0001. z1.bmp"});
}

}  // namespace
