// Paths as Windows users type them: a drive letter, backslashes, a run of
// trailing separators; and a file another program holds open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
using Bytes = std::vector<uint8_t>;

Bytes one_texture(const char* name) {
  PixFile pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{1, 2, 3, 4});
  return pix.bytes;
}

// The temporary folder, which must be a full path with a drive letter for
// these tests to mean anything.
std::string drive_path(const TempDir& dir) {
  std::string path = dir.str();
  EXPECT_TRUE(path.size() > 3 && path[1] == ':' && path[2] == '\\') << path;
  EXPECT_EQ(path.find('/'), std::string::npos) << path;
  return path;
}
#endif

// The destination's folders are asked for from the drive on: "C:" cannot
// be created and is passed over in silence, the others are made.
TEST(WindowsPaths, ADestinationOnADriveIsCreatedFolderByFolder) {
#ifndef _WIN32
  GTEST_SKIP() << "Windows drive letters";
#else
  TempDir dir;
  std::string destination = drive_path(dir) + "\\new\\deeper\\\\\\";
  RunResult result = run_velmire({source_tree_path("samples").string(), destination, "-racepal", "-r"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("SP: SPLAT.PIX (TARGET.PIX) --> 0001. TARGET.PIX.BMP\n"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(dir.path / "new" / "deeper" / "cars" / "SPLAT.PIX" / "0001. TARGET.PIX.BMP"));
  EXPECT_TRUE(fs::is_regular_file(dir.path / "new" / "deeper" / "TRACK.PIX" / "0004. LETTER_V.PIX.BMP"));
#endif
}

// A source typed with three trailing backslashes is used with one, so every
// path the messages show has single backslashes. A file that another
// program holds open without sharing cannot be read: that ends the rest of
// its folder, as on any system.
TEST(WindowsPaths, ALockedFileInABackslashSourceIsReportedWithItsPath) {
#ifndef _WIN32
  GTEST_SKIP() << "Windows drive letters and share modes";
#else
  TempDir dir;
  std::string src = drive_path(dir) + "\\src";
  write_file(dir.path / "src" / "A.PIX", one_texture("first"));
  write_file(dir.path / "src" / "sub" / "B.PIX", one_texture("locked"));
  write_file(dir.path / "src" / "sub" / "C.PIX", one_texture("never reached"));
  write_file(dir.path / "src" / "Z.PIX", one_texture("last"));
  std::string locked = src + "\\sub\\B.PIX";
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  RunResult result = run_velmire({src + "\\\\\\", dir.sub("dst"), "-menupal", "-r", "-file"});
  CloseHandle(holder);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Couldn't read file " + locked + "Could not check if the file " + locked + " is a correct PIX\n");
  EXPECT_EQ(report_lines(result.out), "NO: A.PIX (first) --> A.PIX - 0001. first.bmp\n"
                                      "NO: Z.PIX (last) --> Z.PIX - 0001. last.bmp\n");
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>({"A.PIX - 0001. first.bmp", "Z.PIX - 0001. last.bmp"}));
#endif
}

}  // namespace
