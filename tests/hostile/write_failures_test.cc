// What stands where output must go (a file where a folder must be made, a
// pipe where a BMP file must be written, a full device): the texture's
// write-failure messages, the walk of that folder ends, its parent goes on,
// and every file written before stays as it was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fileio/whole_file.h"
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
  for (const std::string& name : names) add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{value++, 2, 3, 4});
  return pix.bytes;
}

std::string write_failure(const std::string& path) {
  return "Cannot open file " + path + " for writing" + "Could not write to destination file " + path + "\n";
}

TEST(WriteFailures, WhatStandsInTheWayEndsOnlyItsFolder) {
  TempDir dir;
  fs::path src = dir.path / "src";
  write_file(src / "A.PIX", textures({"a1", "a2"}));
  write_file(src / "sub" / "B.PIX", textures({"b1", "b2"}));
  write_file(src / "sub" / "C.PIX", textures({"c1"}));
  write_file(src / "Z.PIX", textures({"z1"}));
  TempDir clean;
  run_velmire({src.string(), clean.sub("dst"), "-menupal", "-r"});

  const std::string s = sep();
  struct Case {
    const char* what;
    std::string in_the_way;  // relative to the destination
    std::string failed;
    Names written;
  };
  std::vector<Case> cases = {
      {"a file where a subfolder must be", "sub", "sub" + s + "B.PIX" + s + "0001. b1.bmp",
       {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "Z.PIX/0001. z1.bmp"}},
      {"a file where a PIX file's folder must be", "sub/C.PIX", "sub" + s + "C.PIX" + s + "0001. c1.bmp",
       {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "sub/B.PIX/0001. b1.bmp", "sub/B.PIX/0002. b2.bmp",
        "Z.PIX/0001. z1.bmp"}},
#ifndef _WIN32
      {"a pipe where a BMP file must be", "sub/B.PIX/0002. b2.bmp", "sub" + s + "B.PIX" + s + "0002. b2.bmp",
       {"A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "sub/B.PIX/0001. b1.bmp", "Z.PIX/0001. z1.bmp"}},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir run;
    fs::path dst = run.path / "dst", blocker = dst / c.in_the_way;
    fs::create_directories(blocker.parent_path());
    if (c.in_the_way.find(".bmp") == std::string::npos) {
      write_file(blocker, std::string("in the way"));
    } else {
#ifndef _WIN32
      ASSERT_EQ(mkfifo(blocker.c_str(), 0666), 0);
#endif
    }
    RunResult result = run_velmire({src.string(), dst.string(), "-menupal", "-r"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, write_failure(dst.string() + s + c.failed));
    std::string report = report_lines(result.out);
    EXPECT_EQ(static_cast<size_t>(std::count(report.begin(), report.end(), '\n')), c.written.size());
    for (const std::string& name : c.written) EXPECT_EQ(read_file(dst / name), read_file(clean.path / "dst" / name)) << name;
    if (c.in_the_way.find(".bmp") == std::string::npos) {
      EXPECT_EQ(read_file(blocker), Bytes({'i', 'n', ' ', 't', 'h', 'e', ' ', 'w', 'a', 'y'}));
    }
  }
}

// A write that fails half-way (a full disk) is reported, never taken for a
// file written.
TEST(WriteFailures, AFullDeviceIsReportedAtTheWrite) {
#ifndef __linux__
  GTEST_SKIP() << "needs Linux's /dev/full";
#else
  for (uint32_t size : {3u, 1u << 20}) {
    std::vector<uint8_t> data(size);
    FILE* err = scratch_stream();
    FolderHandle dev;
    ASSERT_EQ(open_folder("/dev", &dev), 0);
    EXPECT_EQ(write_whole_file(dev, "full", "/dev/full", data.data(), size, 1, err), 1);
    close_folder(&dev);
    EXPECT_EQ(read_and_close(err), "Cannot write to file /dev/full\nError: : No space left on device\n") << size;
  }
#endif
}

}  // namespace
