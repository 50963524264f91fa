#include "naming/extension.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Row {
  const char* name;
  const char* expected;
};

template <typename Edit>
std::string edited(const char* name, Edit edit, size_t capacity = 264) {
  std::vector<char> buffer(capacity, '#');
  std::strcpy(buffer.data(), name);
  if (!edit(std::span<char>(buffer), "BMP")) return "<refused>";
  return buffer.data();
}

TEST(Extensions, ReplacedAndAddedInEveryExampleAndTheNonLetterBytes) {
  const Row rows[] = {
      {"go.pix", "go.bmp"},      {"GO.PIX", "GO.BMP"},       {"Go.PiX", "Go.BmP"},
      {"go.p1x", "go.bMp"},      {"go.123", "go.BMP"},       {".pix", ".bmp"},
      {".px", ".BMP"},           {"a.b.pix", "a.b.bmp"},     {"go.pixx", "go.bmp"},
      {"GO.TEXTURE", "GO.BMP"},  {"go.", "go.bmp"},          {"ab.c", "ab.bmp"},
      {"a.b", "a.BMP"},          {"12.pi", "12.BMP"},        {"go", "go"},
      {"x1.tx", "x1.BMP"},       {".", ".BMP"},              {"A..b", "A..BMP"},
      {"a.B.c", "a.B.BMP"},      {"Ab.", "Ab.bmp"},          {"1.2.3", "1.2.BMP"},
      // Bytes 0x80-0xFF are no letters, whatever a locale may say.
      {"\xc9\xe9.pix", "\xc9\xe9.bmp"}, {"\xe9\xe9.p\xe9x", "\xe9\xe9.bMp"},
      {"a\xe9.xy", "a\xe9.BMP"},  {"Z\xe9z.\xc9\xc9", "Z\xe9z.bmp"},
  };
  for (const Row& row : rows) EXPECT_EQ(edited(row.name, replace_extension), row.expected) << row.name;
  const Row added[] = {
      {"go", "go.bmp"},           {"GO", "GO.BMP"},           {"go.pix", "go.pix.bmp"},
      {"GO.PIX", "GO.PIX.BMP"},   {"Go.piX", "Go.piX.BMP"},   {"go.p1", "go.p1.bmp"},
      {"a1", "a1.bmp"},           {"123", "123.BMP"},         {"no_name_02", "no_name_02.bmp"},
      {".", "..BMP"},             {"A.", "A..BMP"},           {"x\xe9", "x\xe9.bmp"},
      {"\xc9\xff", "\xc9\xff.BMP"}, {"aB", "aB.BMP"},       {"Ab", "Ab.bmp"},
  };
  for (const Row& row : added) EXPECT_EQ(edited(row.name, add_extension), row.expected) << row.name;
}

TEST(Extensions, RefuseWhatWouldNotFitTheBuffer) {
  // "abc" + ".BMP" + terminator needs 8 bytes.
  EXPECT_EQ(edited("abc", add_extension, 8), "abc.bmp");
  EXPECT_EQ(edited("abc", add_extension, 7), "<refused>");
  EXPECT_EQ(edited("ab.", replace_extension, 7), "ab.bmp");
  EXPECT_EQ(edited("ab.", replace_extension, 6), "<refused>");
  // Same length never grows the name.
  EXPECT_EQ(edited("ab.cde", replace_extension, 7), "ab.bmp");
}

// The page links to such a file, and velmire-pack reads it as an image;
// browsers open any other name as a document.
TEST(Extensions, ImagesAreBmpAndPngInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"a/0001. x.bmp", true},  {"a/0001. x.BMP", true},   {"a/x.Png", true},    {"a/x.png.html", false},
      {"a/evil.html", false},   {"a/x.bmpx", false},       {"a/bmp", false},     {"a.bmp/x", false},
      {"a/x.", false},          {"a/.png", true},
  };
  for (const auto& [path, image] : cases) EXPECT_EQ(has_image_extension(path), image) << path;
}

}  // namespace
