// Names stored as Windows-1252 bytes become the characters Windows gives
// them, and come back to the same bytes.
#include <gtest/gtest.h>

#include <string>

#include "common/cp1252.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

// Each byte becomes the character the system's own table of the code page
// gives it, or, for the five bytes that table leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D), the control character of its value, as Windows
// maps them; and every byte comes back.
TEST(Cp1252, EachByteBecomesItsCharacterAndComesBack) {
#ifdef _WIN32
  GTEST_SKIP() << "no iconv to hold the table against";
#else
  iconv_t system = iconv_open("UTF-8", "CP1252");
  if (system == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "this system's iconv has no CP1252";
  std::string all, utf8, back;
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b), out[4], *from = &byte, *to = out;
    size_t left = 1, room = sizeof out;
    const bool defined = iconv(system, &from, &left, &to, &room) != static_cast<size_t>(-1);
    const std::string expected = defined ? std::string(out, to) : std::string{'\xC2', byte};
    std::string character;
    append_cp1252_as_utf8(std::string(1, byte), &character);
    EXPECT_EQ(character, expected) << "byte " << b;
    all.push_back(byte);
  }
  iconv_close(system);
  append_cp1252_as_utf8(all, &utf8);
  ASSERT_TRUE(append_utf8_as_cp1252(utf8, &back));
  EXPECT_EQ(back, all);
#endif
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

}  // namespace
