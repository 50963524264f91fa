#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "cli/run.h"
#include "test_support.h"

namespace {

const std::string kZeroTotals =
    "\nTEXTURE TYPES CAPTION:\nNO = Normal\nSP = Splat Pack\n3B = True color (3 bytes per pixel)\n"
    "4B = True color (4 bytes per pixel)\nAn exclamation '!' before the texture type caption "
    "indicates the texture is not well formed because it needs some additional padding bytes on "
    "the pixel array, so probably, the resulting texture will be not visible by an image viewer\n"
    "\nTOTAL OF TEXTURE TYPES EXTRACTED:            0\n"
    "Normal (with 256 colour palette):            0\n"
    "Splat Pack (with 256 colour palette):        0\n"
    "True colour (no palette, 3 bytes per pixel): 0\n"
    "True colour (no palette, 4 bytes per pixel): 0\n";

std::string expected_usage() {
  std::ifstream stream(fs::path(VELMIRE_TEST_DATA) / "cli" / "expected" / "usage.txt",
                       std::ios::binary);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

TEST(CommandLine, TooFewArgumentsPrintTheUsageText) {
  std::string usage = expected_usage();
  ASSERT_EQ(usage.substr(0, 13), "velmire 1.0\n\n");
  for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"a"}, {"a", "b"}}) {
    RunResult result = run_velmire(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, usage);
    EXPECT_EQ(result.err, "");
  }
}

TEST(CommandLine, UnknownOptionsStopTheRunBeforeAnyFolderIsTouched) {
  TempDir dir;
  std::string destination = dir.sub("new");
  for (const char* option : {"-R", "-Folder", "-racepal", "-menupal", "r", "-r ", ""}) {
    RunResult result = run_velmire({dir.sub("missing-source"), destination, "-racepal", "-r", option, "-x"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, std::string("Incorrect parameter: ") + option);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_FALSE(fs::exists(destination));
}

TEST(CommandLine, LaterOptionsOverrideEarlierOnes) {
  auto parse = [](std::vector<std::string> arguments) {
    RunOptions options;
    for (const std::string& argument : arguments) EXPECT_TRUE(apply_option(argument, &options));
    return options;
  };
  RunOptions defaults = parse({});
  EXPECT_EQ(defaults.recursive, 0);
  EXPECT_EQ(defaults.organizational_mode, kFolderMode);
  EXPECT_EQ(defaults.enumerate, 1);
  EXPECT_EQ(defaults.pixpack_name, 1);
  EXPECT_EQ(defaults.extension_mode, kExtAddBmp);
  EXPECT_EQ(defaults.top_down, 0);

  RunOptions all = parse({"-file", "-r", "-noenum", "-nopixpackname", "-topdown", "-extbmp2"});
  EXPECT_EQ(all.recursive, 1);
  EXPECT_EQ(all.organizational_mode, kFileMode);
  EXPECT_EQ(all.enumerate, 0);
  EXPECT_EQ(all.pixpack_name, 0);
  EXPECT_EQ(all.extension_mode, kExtBmp2);
  EXPECT_EQ(all.top_down, 1);

  EXPECT_EQ(parse({"-file", "-folder"}).organizational_mode, kFolderMode);
  EXPECT_EQ(parse({"-folder", "-file"}).organizational_mode, kFileMode);
  EXPECT_EQ(parse({"-extbmp", "-extoriginal"}).extension_mode, kExtOriginal);
  EXPECT_EQ(parse({"-extoriginal", "-extbmp"}).extension_mode, kExtBmp);
  EXPECT_EQ(parse({"-extaddbmp", "-extbmp2", "-extbmp"}).extension_mode, kExtBmp);
}

TEST(CommandLine, ARunOverAnEmptyFolderPrintsZeroTotals) {
  TempDir dir;
  fs::create_directory(dir.path / "src");
  for (const char* palette : {"-menupal", "-racepal"}) {
    RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), palette, "-r"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kZeroTotals);
    EXPECT_EQ(result.err, "");
  }
  // The destination exists now; nothing was written into it.
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"dst/", "src/"}));
}

TEST(CommandLine, FolderErrorsNameThePathWithOneTrailingSeparator) {
  TempDir dir;
  const std::string s = sep();
  fs::create_directory(dir.path / "src");
  write_file(dir.path / "file", std::string("x"));

  RunResult result = run_velmire({dir.sub("missing") + s + s + s, dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "ERROR: The directory " + dir.sub("missing") + s + " does not exist\n");
  EXPECT_FALSE(fs::exists(dir.path / "dst"));  // the destination is not looked at

  result = run_velmire({dir.sub("file"), dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The path " + dir.sub("file") + s + " is not a directory\n");

  result = run_velmire({dir.sub("src"), dir.sub("file"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The path " + dir.sub("file") + s + " is not a directory\n");

  // Below a file, the open fails with "not a directory" too: nothing is created.
  result = run_velmire({dir.sub("src"), dir.sub("file") + s + "sub", "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The path " + dir.sub("file") + s + "sub" + s + " is not a directory\n");
}

TEST(CommandLine, EmptyFolderArgumentsAreMissingFolders) {
  TempDir dir;
  fs::create_directory(dir.path / "src");
  RunResult result = run_velmire({"", dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The directory  does not exist\n");
  result = run_velmire({dir.sub("src"), "", "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The directory  does not exist\n");
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"src/"}));
}

TEST(CommandLine, TheDestinationIsCreatedWithItsParentsBeforeThePaletteIsChecked) {
  TempDir dir;
  const std::string s = sep();
  fs::create_directory(dir.path / "src");
  std::string destination = dir.sub("a") + s + "b" + s + "c";
  RunResult result = run_velmire({dir.sub("src"), destination, "-bluepal", "-r"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "Incorrect parameter: -bluepal. Must be -menupal or -racepal\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"a/", "a/b/", "a/b/c/", "src/"}));

  // An option in the palette position is refused by the palette check.
  result = run_velmire({dir.sub("src"), destination, "-r"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "Incorrect parameter: -r. Must be -menupal or -racepal\n");
}

TEST(CommandLine, PathsThatDoNotFitAreRefusedSourceFirst) {
  TempDir dir;
  const std::string s = sep();
  fs::create_directory(dir.path / "src");
  std::string too_long = std::string(259, 'x');  // 260 with its separator
  std::string fits = std::string(258, 'y') + s + s;  // 259 once the separators collapse

  RunResult result = run_velmire({too_long, too_long + "z", "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The path " + too_long + " is too long\n");

  result = run_velmire({dir.sub("src"), too_long + "z", "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: The path " + too_long + "z is too long\n");

  // A path that fits goes on to the folder checks.
  result = run_velmire({fits, dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("ERROR: The "), std::string::npos);
  EXPECT_EQ(result.err.find("too long"), std::string::npos) << result.err;
}

TEST(CommandLine, UnreadableFoldersAreReported) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permissions: Windows has no owner permission bits to take away";
#endif
  if (permissions_are_ignored()) GTEST_SKIP() << "running as root: permissions are not enforced";
  TempDir dir;
  const std::string s = sep();
  fs::create_directories(dir.path / "locked" / "inner");
  fs::create_directory(dir.path / "src");
  fs::permissions(dir.path / "locked", fs::perms::owner_all, fs::perm_options::remove);

  RunResult result = run_velmire({dir.sub("locked"), dir.sub("dst"), "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: Read permission is denied for the directory " + dir.sub("locked") + s +
                            " or the search permission is denied for the component of the path prefix\n");

  result = run_velmire({dir.sub("src"), dir.sub("locked") + s + "inner", "-menupal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: Read permission is denied for the directory " + dir.sub("locked") + s +
                            "inner" + s +
                            " or the search permission is denied for the component of the path prefix\n");
}

}  // namespace
