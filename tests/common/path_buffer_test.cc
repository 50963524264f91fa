// The longest path counts what the system counts: bytes on POSIX, UTF-16
// units on Windows, where paths are UTF-8 inside the program.
#include <gtest/gtest.h>

#include <string>

#include "common/path_buffer.h"

namespace {

TEST(PathBuffer, TheLimitCountsWhatTheSystemCounts) {
  // é: 2 bytes, 日: 3 bytes, 😀: 4 bytes and two UTF-16 units. Each text
  // ends in "a", so that as a folder (the text but that "a", and a
  // separator) it counts as much.
  struct Case { const char* piece; size_t count; const char* tail; bool fits; };
  const Case cases[] = {
      {"a", 258, "a", true}, {"a", 259, "a", false},
#ifdef _WIN32
      {"\xC3\xA9", 258, "a", true}, {"\xC3\xA9", 259, "a", false},
      {"\xE6\x97\xA5", 258, "a", true}, {"\xE6\x97\xA5", 259, "a", false},
      {"\xF0\x9F\x98\x80", 129, "a", true}, {"\xF0\x9F\x98\x80", 129, "aa", false},
#else
      {"\xC3\xA9", 129, "a", true}, {"\xC3\xA9", 129, "aa", false},
      {"\xE6\x97\xA5", 86, "a", true}, {"\xE6\x97\xA5", 86, "aa", false},
#endif
  };
  for (const Case& c : cases) {
    std::string text;
    for (size_t i = 0; i < c.count; ++i) text += c.piece;
    text += c.tail;
    SCOPED_TRACE(text);
    PathBuffer assigned, appended, folder;
    EXPECT_EQ(path_assign(&assigned, text), c.fits);
    path_assign(&appended, c.piece);
    EXPECT_EQ(path_append(&appended, text.substr(std::string(c.piece).size())), c.fits);
    EXPECT_EQ(path_assign_folder(&folder, text.substr(0, text.size() - 1)), c.fits);
  }
}

}  // namespace
