// Texture names are bytes. On Windows velmire writes each byte from 0x80 up
// as its Windows-1252 character, and velmire-pack reads the file names back
// into the same bytes; elsewhere the bytes are the file names. The programs
// run as a user runs them, as processes of their own, in a folder named in
// three scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pix_writer.h"
#include "test_support.h"

namespace {

TEST(NameBytes, CafeAndUberSurviveTheRoundTripByteForByte) {
  TempDir dir;
  const fs::path root = dir.path / fs::path(u8"Моды 日本 ü");
  for (const char* folder : {"src", "packed", "again"}) fs::create_directories(root / folder);
  // "café" and "über" in Windows-1252, as velmire-pack writes a new PIX file.
  PixFile cafe_uber = start_pix_file();
  add_texture(&cafe_uber, kType8Bit, 4, 1, "caf\xE9", std::vector<uint8_t>{1, 2, 3, 4});
  add_texture(&cafe_uber, kType8Bit, 4, 1, "\xFC" "ber", std::vector<uint8_t>{5, 6, 7, 8});
  write_file(root / "src" / "C.PIX", cafe_uber.bytes);
#ifdef _WIN32
  const std::string cafe = "caf\xC3\xA9", uber = "\xC3\xBC" "ber";
  const int status_of_a_name_without_bytes = 2;
#else
  const std::string cafe = "caf\xE9", uber = "\xFC" "ber";
  const int status_of_a_name_without_bytes = 0;
#endif
  const std::string velmire = quoted(VELMIRE_BINARY), pack = quoted(VELMIRE_PACK_BINARY);
  const std::string images = ' ' + quoted(root / "images") + ' ';
  ASSERT_EQ(run_shell(velmire + ' ' + quoted(root / "src") + images + "-racepal >" + quoted(root / "report.txt")), 0);
  std::vector<fs::path> files(fs::directory_iterator(root / "images" / "C.PIX"), fs::directory_iterator());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(utf8(files[0].filename()), "0001. " + cafe + ".bmp");
  EXPECT_EQ(utf8(files[1].filename()), "0002. " + uber + ".bmp");
  const std::vector<uint8_t> report = read_file(root / "report.txt");
  EXPECT_NE(std::string(report.begin(), report.end()).find("(" + uber + ") --> 0002. " + uber + ".bmp"), std::string::npos);
  ASSERT_EQ(run_shell(pack + images + quoted(root / "packed") + " -racepal >" + quoted(root / "pack.txt")), 0);
  EXPECT_EQ(read_file(root / "packed" / "C.PIX"), cafe_uber.bytes);

  // On Windows a name of a character Windows-1252 has no byte for names no
  // texture: its PIX file is left as it was.
  fs::rename(files[0], root / "images" / "C.PIX" / fs::path(u8"0001. 日本.bmp"));
  const int status = run_shell(pack + images + quoted(root / "again") + " -racepal >" + quoted(root / "pack.txt") +
                                 " 2>" + quoted(root / "pack.err"));
  EXPECT_EQ(status, status_of_a_name_without_bytes);
  EXPECT_EQ(fs::exists(root / "again" / "C.PIX"), status == 0);
}

}  // namespace
