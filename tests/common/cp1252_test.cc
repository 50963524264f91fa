// Names stored as Windows-1252 bytes become the characters Windows gives
// them, and come back to the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/cp1252.h"

namespace {

TEST(Cp1252, EachByteBecomesItsCharacterAndComesBack) {
  struct Case {
    uint8_t byte;
    const char* utf8;
  };
  const Case cases[] = {
      {0x7F, "\x7F"},          // the last byte that is ASCII
      {0x80, "\xE2\x82\xAC"},  // the euro sign: the first byte past ASCII
      {0x81, "\xC2\x81"},      // undefined: U+0081, as Windows maps it
      {0x8D, "\xC2\x8D"},  {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x9D, "\xC2\x9D"},
      {0x8A, "\xC5\xA0"},      // S with caron
      {0x9F, "\xC5\xB8"},      // Y with diaeresis: the last of the table
      {0xA0, "\xC2\xA0"},      // the first byte that is its own character
      {0xE9, "\xC3\xA9"},      // e acute, as in "cafe"
      {0xFC, "\xC3\xBC"},      // u diaeresis, as in "uber"
      {0xFF, "\xC3\xBF"},
  };
  for (const Case& c : cases) {
    std::string utf8;
    append_cp1252_as_utf8(std::string(1, static_cast<char>(c.byte)), &utf8);
    EXPECT_EQ(utf8, c.utf8) << "byte " << int{c.byte};
    std::string back;
    EXPECT_TRUE(append_utf8_as_cp1252(c.utf8, &back));
    EXPECT_EQ(back, std::string(1, static_cast<char>(c.byte))) << "byte " << int{c.byte};
  }
  // All 256 bytes in one name, and back.
  std::string all, utf8, back;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  append_cp1252_as_utf8(all, &utf8);
  ASSERT_TRUE(append_utf8_as_cp1252(utf8, &back));
  EXPECT_EQ(back, all);
}

TEST(Cp1252, TextWithoutABytePerCharacterIsRefusedWhole) {
  const char* refused[] = {
      "a\xC4\x80",              // U+0100: no byte of the code page
      "a\xE2\x82",              // a character cut short
      "\x80",                   // a continuation byte alone
      "\xC0\xA9",               // an overlong form of ')'
      "\xED\xA0\x80",           // a surrogate
      "\xF0\x9F\x98\x80",       // an emoji
  };
  for (const char* text : refused) {
    std::string bytes = "kept";
    EXPECT_FALSE(append_utf8_as_cp1252(text, &bytes)) << text;
    EXPECT_EQ(bytes, "kept");
  }
}

// Paths keep their UTF-8; bytes that are none of it, one by one, become
// their characters, so that the page is UTF-8 whatever the path holds.
TEST(Cp1252, PathsKeepTheirUtf8AndShowOtherBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},       // valid: kept
      {"a\xC3", "a\xC3\x83"},                          // cut short at the end
      {"\xC3(", "\xC3\x83("},                           // a lead byte without its follower
      {"\xC0\xA9", "\xC3\x80\xC2\xA9"},                  // overlong
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},           // beyond U+FFFF: kept
  };
  for (const auto& [bytes, expected] : cases) {
    char utf8[3 * 8];
    EXPECT_EQ(std::string(utf8, copy_as_utf8(bytes, true, utf8)), expected) << bytes;
  }
}

}  // namespace
