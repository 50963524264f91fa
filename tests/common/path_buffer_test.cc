// The longest path counts what the system counts: bytes on POSIX, UTF-16
// units on Windows, where paths are UTF-8 inside the program.
#include <gtest/gtest.h>

#include <string>

#include "common/path_buffer.h"

namespace {

std::string repeated(const std::string& piece, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(PathBuffer, TheLimitCountsWhatTheSystemCounts) {
  struct Case {
    const char* piece;  // é: 2 bytes, 日: 3 bytes, 😀: 4 bytes and two UTF-16 units
    size_t count;
    const char* tail;
    bool fits;
  };
  // Each text ends in "a", so that as a folder (the text but that "a", and
  // a separator) it counts as much.
  const Case cases[] = {
      {"a", 258, "a", true},
      {"a", 259, "a", false},
#ifdef _WIN32
      {"\xC3\xA9", 258, "a", true},
      {"\xC3\xA9", 259, "a", false},
      {"\xE6\x97\xA5", 258, "a", true},
      {"\xE6\x97\xA5", 259, "a", false},
      {"\xF0\x9F\x98\x80", 129, "a", true},
      {"\xF0\x9F\x98\x80", 129, "aa", false},
#else
      {"\xC3\xA9", 129, "a", true},
      {"\xC3\xA9", 129, "aa", false},
      {"\xE6\x97\xA5", 86, "a", true},
      {"\xE6\x97\xA5", 86, "aa", false},
#endif
  };
  for (const Case& c : cases) {
    const std::string text = repeated(c.piece, c.count) + c.tail;
    SCOPED_TRACE(testing::Message() << c.count << " x " << c.piece << c.tail);
    PathBuffer assigned, appended, folder;
    EXPECT_EQ(path_assign(&assigned, text), c.fits);
    path_assign(&appended, c.piece);
    EXPECT_EQ(path_append(&appended, text.substr(std::string(c.piece).size())), c.fits);
    EXPECT_EQ(path_assign_folder(&folder, text.substr(0, text.size() - 1)), c.fits);
  }
}

}  // namespace
