// What stands where output must go: a link below the destination (to a
// folder outside it, or a file), a file where a folder must be made, a pipe
// where a BMP file must be written. That texture fails with the messages of
// a file that cannot be written, its folder's walk ends, the parent goes on;
// nothing outside the destination changes, and every file written before
// is as a run without obstacles writes it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

TEST(WriteFailures, WhatStandsInTheWayOfOutput) {
  struct Case {
    const char* what;
    const char* in_the_way;  // below the destination; "<linked>": a linked source subfolder
    char kind;               // 'l' a link to the outside folder (or its file), 'f' a file, 'p' a pipe
    const char* failed;      // the texture that fails
  };
  const Case cases[] = {
      {"a link at a PIX file's folder", "Z.PIX", 'l', "z"},
      {"a link at a subfolder", "sub", 'l', "b"},
      {"a link at the file itself", "Z.PIX/0001. z.bmp", 'l', "z"},
      {"a file where a subfolder must be", "sub", 'f', "b"},
      {"a file where a PIX file's folder must be", "Z.PIX", 'f', "z"},
      {"a pipe where a BMP file must be", "sub/B.PIX/0001. b.bmp", 'p', "b"},
      {"a linked source subfolder, the destination the source", "<linked>", 'l', "c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
#ifdef _WIN32
    if (c.kind != 'f') continue;  // links need a privilege most accounts lack; no named pipes in folders
#endif
    TempDir dir;
    fs::path src = dir.path / "src", outside = dir.path / "outside", dst = dir.path / "dst";
    write_file(src / "A.PIX", pix_of_textures({"a"}));
    write_file(src / "sub" / "B.PIX", pix_of_textures({"b"}));
    write_file(src / "Z.PIX", pix_of_textures({"z"}));
    write_file(outside / "C.PIX", pix_of_textures({"c"}));
    std::vector<std::string> options = {"-r"};
    if (std::string(c.in_the_way) == "<linked>") {
      fs::create_directory_symlink(outside, src / "linked");
      dst = src;
      options.push_back("-file");
    } else {
      fs::path blocker = dst / c.in_the_way;
      fs::create_directories(blocker.parent_path());
      bool file = blocker.extension() == ".bmp";
      if (c.kind == 'l') fs::create_symlink(file ? outside / "C.PIX" : outside, blocker);
      if (c.kind == 'f') write_file(blocker, std::string("in the way"));
#ifndef _WIN32
      if (c.kind == 'p' && mkfifo(blocker.c_str(), 0666) != 0) FAIL() << "cannot make a pipe";
#endif
    }
    TempDir clean;
    std::vector<std::string> arguments = {src.string(), dst.string(), "-menupal"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    RunResult result = run_velmire(arguments);
    arguments[1] = clean.sub("dst");
    RunResult reference = run_velmire(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Could not write to destination file"), std::string::npos) << result.err;
    // Every texture but the failed one, written as without obstacles.
    const std::string failed = std::string("(") + c.failed + ")";
    std::string expected;
    std::istringstream lines(report_lines(reference.out));
    for (std::string line; std::getline(lines, line);)
      if (line.find(failed) == std::string::npos) expected += line + "\n";
    EXPECT_EQ(report_lines(result.out), expected);
    for (const std::string& name : list_tree(clean.path / "dst")) {
      if (name.back() == '/' || name.find(std::string(c.failed) + ".bmp") != std::string::npos) continue;
      EXPECT_EQ(read_file(dst / name), read_file(clean.path / "dst" / name)) << name;
    }
    EXPECT_EQ(list_tree(outside), std::vector<std::string>({"C.PIX"}));
    EXPECT_EQ(read_file(outside / "C.PIX"), pix_of_textures({"c"}));
  }
}

}  // namespace
