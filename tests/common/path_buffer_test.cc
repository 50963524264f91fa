#include "common/path_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

std::string folder_form(const std::string& path) {
  PathBuffer buffer;
  if (!path_assign_folder(&buffer, path)) return "<refused>";
  EXPECT_EQ(buffer.length, std::string(buffer.text).size());
  return buffer.text;
}

TEST(FolderPath, EndsInExactlyOneSeparator) {
  const std::string s = sep();
  EXPECT_EQ(folder_form("data"), "data" + s);
  EXPECT_EQ(folder_form("data" + s), "data" + s);
  EXPECT_EQ(folder_form("data" + s + s + s), "data" + s);
  EXPECT_EQ(folder_form("a" + s + "b"), "a" + s + "b" + s);
  // The first byte is never tested: separators alone become two of them.
  EXPECT_EQ(folder_form(s), s + s);
  EXPECT_EQ(folder_form(s + s + s), s + s);
  EXPECT_EQ(folder_form(""), "<refused>");
}

TEST(PathAppend, RefusesWhatDoesNotFitAndLeavesTheBufferAlone) {
  PathBuffer path;
  ASSERT_TRUE(path_assign(&path, std::string(250, 'a')));
  EXPECT_TRUE(path_append(&path, "123456789"));
  EXPECT_EQ(path.length, 259u);
  EXPECT_FALSE(path_append(&path, "x"));
  EXPECT_FALSE(path_append(&path, "", "x"));
  EXPECT_EQ(path.length, 259u);
  EXPECT_EQ(std::string(path.text), std::string(250, 'a') + "123456789");
  EXPECT_FALSE(path_assign(&path, std::string(260, 'b')));
  EXPECT_EQ(path.length, 259u);
}

}  // namespace
