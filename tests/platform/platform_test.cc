// The operating system layer against a real file system. Every
// implementation of platform.h must meet these: the rest of the program
// relies on them on every system.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A folder path as the program forms them: ending in one separator.
std::string folder(const TempDir& dir, const std::string& relative) {
  return dir.sub(relative) + sep();
}

TEST(FileStatus, SizeKindAndTheIdentityOfFolders) {
  TempDir dir;
  const std::string s = sep();
  write_file(dir.path / "data", std::string(1234, 'x'));
  fs::create_directories(dir.path / "a" / "b");

  FileStatus file;
  ASSERT_EQ(get_file_status(dir.sub("data").c_str(), &file), 0);
  EXPECT_EQ(file.size, 1234u);
  EXPECT_EQ(file.kind, EntryKind::file);

  // One folder reached by three paths, the walk's form (a trailing
  // separator) among them, has one identity; another folder has another.
  FileStatus a, a_as_walked, a_from_below, b;
  ASSERT_EQ(get_file_status(dir.sub("a").c_str(), &a), 0);
  ASSERT_EQ(get_file_status(folder(dir, "a").c_str(), &a_as_walked), 0);
  ASSERT_EQ(get_file_status((dir.sub("a") + s + "b" + s + "..").c_str(), &a_from_below), 0);
  ASSERT_EQ(get_file_status(folder(dir, "a" + s + "b").c_str(), &b), 0);
  for (const FileStatus* status : {&a, &a_as_walked, &a_from_below, &b}) EXPECT_EQ(status->kind, EntryKind::folder);
  EXPECT_EQ(a_as_walked.id, a.id);
  EXPECT_EQ(a_from_below.id, a.id);
  EXPECT_FALSE(b.id == a.id);

  FileStatus root;
  ASSERT_EQ(get_file_status(dir.path.root_path().string().c_str(), &root), 0) << dir.path.root_path();
  EXPECT_EQ(root.kind, EntryKind::folder);

  FileStatus missing;
  EXPECT_EQ(get_file_status(dir.sub("missing").c_str(), &missing), -1);
  EXPECT_EQ(get_file_status((dir.sub("data") + s + "below").c_str(), &missing), -1);
}

TEST(FolderListing, NamesEveryEntryAndNeverCallsAFolderAPlainFile) {
  TempDir dir;
  write_file(dir.path / "src" / "one.pix", std::string("1"));
  write_file(dir.path / "src" / "Two Words.txt", std::string("2"));
  write_file(dir.path / "src" / "empty", std::string());
  fs::create_directories(dir.path / "src" / "sub.pix");
  write_file(dir.path / "src" / "sub.pix" / "inner", std::string("not listed"));

  std::vector<FolderEntry> entries;
  ASSERT_EQ(list_folder(folder(dir, "src").c_str(), &entries), 0);
  std::vector<std::string> names;
  for (const FolderEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    names.push_back(entry.name);
    if (entry.name == "sub.pix") {
      EXPECT_FALSE(entry.plain_file);
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, std::vector<std::string>({"Two Words.txt", "empty", "one.pix", "sub.pix"}));
}

// Every byte value, the line end and end-of-file bytes of text streams
// among them, as a file of more than one read's worth.
std::vector<uint8_t> every_byte_value(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
  return bytes;
}

TEST(RawFiles, WrittenAndReadBackByteForByte) {
  TempDir dir;
  const std::string path = dir.sub("out.bin");
  const std::vector<uint8_t> bytes = every_byte_value(300000);

  FileHandle file;
  ASSERT_EQ(open_file_for_writing(path.c_str(), WriteMode::replace, &file), 0);
  size_t done = 0;
  EXPECT_EQ(write_file(file, bytes.data(), bytes.size(), &done), 0);
  EXPECT_EQ(done, bytes.size());
  EXPECT_EQ(close_file(file), 0);
  EXPECT_EQ(read_file(fs::path(path)), bytes);

  ASSERT_EQ(open_file_for_reading(path.c_str(), &file), 0);
  uint64_t size = 0;
  EXPECT_EQ(get_open_file_size(file, &size), 0);
  EXPECT_EQ(size, bytes.size());
  // Asking for more than there is stops at the end of the file.
  std::vector<uint8_t> read_back(bytes.size() + 100);
  EXPECT_EQ(read_file(file, read_back.data(), read_back.size(), &done), 0);
  EXPECT_EQ(done, bytes.size());
  read_back.resize(done);
  EXPECT_EQ(read_back, bytes);
  EXPECT_EQ(close_file(file), 0);
}

}  // namespace
