#include "fileio/whole_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "pix/pix_blocks.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

// Runs `body` with an error stream and returns what it printed there.
template <typename Body>
std::string captured_err(Body body) {
  FILE* err = scratch_stream();
  body(err);
  return read_and_close(err);
}

const std::vector<uint8_t> kExpected = {1, 2, 3, 4};

TEST(CompareFilePrefix, OnlyTheFirstBytesCountAndShortFilesAreSilent) {
  TempDir dir;
  write_file(dir.path / "exact", std::vector<uint8_t>{1, 2, 3, 4});
  write_file(dir.path / "longer", std::vector<uint8_t>{1, 2, 3, 4, 9, 9});
  write_file(dir.path / "short", std::vector<uint8_t>{1, 2, 3});
  write_file(dir.path / "empty", std::vector<uint8_t>{});
  write_file(dir.path / "differs", std::vector<uint8_t>{1, 2, 3, 5});
  auto compare = [&](const char* name) {
    int result = -1;
    std::string err = captured_err([&](FILE* e) {
      result = compare_file_prefix(dir.sub(name).c_str(), kExpected, e);
    });
    EXPECT_EQ(err, "") << name;
    return result;
  };
  EXPECT_EQ(compare("exact"), 0);
  EXPECT_EQ(compare("longer"), 0);
  EXPECT_EQ(compare("short"), 2);
  EXPECT_EQ(compare("empty"), 2);
  EXPECT_EQ(compare("differs"), 2);
}

TEST(CompareFilePrefix, AMissingFileIsReportedWithoutALineBreak) {
  TempDir dir;
  std::string path = dir.sub("missing");
  int result = -1;
  std::string err = captured_err([&](FILE* e) { result = compare_file_prefix(path.c_str(), kExpected, e); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(err, "Couldn't read file " + path);
}

TEST(ReadWholeFile, LoadsEveryByteAndRefusesEmptyOrMissingFiles) {
  TempDir dir;
  std::vector<uint8_t> content(100000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
  write_file(dir.path / "data", content);
  LoadedFile file;
  ASSERT_EQ(read_whole_file(dir.sub("data").c_str(), &file, stderr), 0);
  EXPECT_EQ(std::vector<uint8_t>(file.bytes, file.bytes + file.size), content);
  release_loaded_file(&file);

  write_file(dir.path / "empty", std::vector<uint8_t>{});
  std::string empty = dir.sub("empty");
  std::string err = captured_err([&](FILE* e) { EXPECT_EQ(read_whole_file(empty.c_str(), &file, e), 1); });
  EXPECT_EQ(file.bytes, nullptr);
  // A short read names the file, then the error description on the same line.
  EXPECT_EQ(err.rfind("Couldn't read from file " + empty + "The following error has ocurred: ", 0), 0u) << err;
  EXPECT_EQ(err.back(), '\n');

  std::string missing = dir.sub("missing");
  err = captured_err([&](FILE* e) { EXPECT_EQ(read_whole_file(missing.c_str(), &file, e), 1); });
  EXPECT_EQ(err, "Couldn't read file " + missing);
}

TEST(WriteWholeFile, NeverReplacesAFileThatBeginsWithTheProtectedPrefix) {
  TempDir dir;
  const uint8_t data[] = {'n', 'e', 'w'};
  const uint8_t prefix[] = {1, 2, 3, 4};
  write_file(dir.path / "protected", std::vector<uint8_t>{1, 2, 3, 4, 5});
  write_file(dir.path / "other", std::vector<uint8_t>{1, 2, 3, 9, 5, 6, 7});
  std::string path = dir.sub("protected");
  std::string err = captured_err([&](FILE* e) { EXPECT_EQ(write_whole_file(path.c_str(), data, 3, 1, e, prefix), 1); });
  EXPECT_EQ(err, "Cannot open file " + path + " for writing: it is a PIX file, which is never replaced");
  EXPECT_EQ(read_file(path), std::vector<uint8_t>({1, 2, 3, 4, 5}));
  // Other files are replaced whole, and new ones created, as usual.
  EXPECT_EQ(write_whole_file(dir.sub("other").c_str(), data, 3, 1, stderr, prefix), 0);
  EXPECT_EQ(read_file(dir.path / "other"), std::vector<uint8_t>({'n', 'e', 'w'}));
  EXPECT_EQ(write_whole_file(dir.sub("new").c_str(), data, 3, 1, stderr, prefix), 0);
  EXPECT_EQ(read_file(dir.path / "new"), std::vector<uint8_t>({'n', 'e', 'w'}));
  std::string missing = dir.sub("missing") + sep() + "x";
  err = captured_err([&](FILE* e) { EXPECT_EQ(write_whole_file(missing.c_str(), data, 3, 1, e, prefix), 1); });
  EXPECT_EQ(err, "Cannot open file " + missing + " for writing");
}

TEST(WriteWholeFile, ReportsAFullDeviceAtTheWrite) {
#ifndef __linux__
  GTEST_SKIP() << "needs Linux's /dev/full";
#else
  for (uint32_t size : {3u, 1u << 20}) {
    std::vector<uint8_t> data(size);
    std::string err = captured_err([&](FILE* e) { EXPECT_EQ(write_whole_file("/dev/full", data.data(), size, 1, e), 1); });
    EXPECT_EQ(err, "Cannot write to file /dev/full\nError: : No space left on device\n") << size;
  }
#endif
}

TEST(CreatePathFolders, CreatesEachFolderBeforeTheLastSeparatorOnly) {
  TempDir dir;
  const std::string s = sep();
  create_path_folders(dir.str() + s + "a" + s + "b" + s + "c", kPathSeparator);
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"a/", "a/b/"}));
  create_path_folders(dir.str() + s + "a" + s + "b" + s + "d" + s, kPathSeparator);
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"a/", "a/b/", "a/b/d/"}));
  // Existing folders are passed over; a name without a separator creates nothing.
  create_path_folders(dir.str() + s + "a" + s, kPathSeparator);
  create_path_folders("no-separator-here", kPathSeparator);
  EXPECT_FALSE(fs::exists("no-separator-here"));
  EXPECT_EQ(list_tree(dir.path), std::vector<std::string>({"a/", "a/b/", "a/b/d/"}));

  TempDir dir2;
  // The deepest folder cannot be made first: every prefix is asked for,
  // "x/.." included.
  create_path_folders(dir2.str() + s + "a" + s + "x" + s + ".." + s + "c" + s + "name", kPathSeparator);
  EXPECT_EQ(list_tree(dir2.path), std::vector<std::string>({"a/", "a/c/", "a/x/"}));
  // A file standing on the path: nothing is created, silently.
  write_file(dir2.path / "file", std::string("x"));
  create_path_folders(dir2.str() + s + "file" + s + "d" + s + "name", kPathSeparator);
  EXPECT_EQ(list_tree(dir2.path), std::vector<std::string>({"a/", "a/c/", "a/x/", "file"}));
  // The deepest folder exists as a file: nothing changes either.
  create_path_folders(dir2.str() + s + "file" + s, kPathSeparator);
  EXPECT_EQ(list_tree(dir2.path), std::vector<std::string>({"a/", "a/c/", "a/x/", "file"}));
}


// What compare_file_prefix then read_whole_file print and return, in the
// codes of check_and_load_file.
std::pair<int, std::string> checked_then_read(const std::string& path) {
  int result = -1;
  std::string err = captured_err([&](FILE* e) {
    result = compare_file_prefix(path.c_str(), kPixSignature, e);
    if (result != 0) return;
    LoadedFile file;
    if (read_whole_file(path.c_str(), &file, e) != 0) result = 3;
    release_loaded_file(&file);
  });
  return {result, err};
}

TEST(CheckAndLoadFile, PrintsAndReturnsWhatCheckingThenReadingWould) {
  TempDir dir;
  std::vector<uint8_t> pix(kPixSignature.begin(), kPixSignature.end());
  write_file(dir.path / "signature-only", pix);
  pix.insert(pix.end(), {0, 0, 0, 3, 9, 9});
  write_file(dir.path / "pix", pix);
  std::vector<uint8_t> other = pix;
  other[15] ^= 1;
  write_file(dir.path / "other", other);
  write_file(dir.path / "short", std::vector<uint8_t>(pix.begin(), pix.begin() + 15));
  write_file(dir.path / "empty", std::vector<uint8_t>{});
  fs::create_directories(dir.path / "folder");
  ByteBuffer buffer;
  for (const char* name : {"signature-only", "pix", "other", "short", "empty", "missing", "folder"}) {
    std::string path = dir.sub(name);
    std::span<const uint8_t> contents;
    int result = -1;
    std::string err = captured_err([&](FILE* e) {
      result = check_and_load_file(path.c_str(), kPixSignature, &buffer, &contents, e);
    });
    EXPECT_EQ(std::make_pair(result, err), checked_then_read(path)) << name;
    if (result == 0) {
      EXPECT_EQ(std::vector<uint8_t>(contents.begin(), contents.end()), read_file(path)) << name;
    }
  }
  release_bytes(&buffer);
}

}  // namespace
