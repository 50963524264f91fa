// What follows a PNG's last row is never read for its pixels, and no PNG is
// taken that is larger than its own pixels allow.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "image/image_file.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

void put_chunk(Bytes* png, const char* type, const Bytes& data, uint32_t crc_change = 0) {
  for (int shift = 24; shift >= 0; shift -= 8) png->push_back(static_cast<uint8_t>(data.size() >> shift));
  const size_t start = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(0, png->data() + start, static_cast<uInt>(png->size() - start)));
  for (int shift = 24; shift >= 0; shift -= 8) png->push_back(static_cast<uint8_t>((crc ^ crc_change) >> shift));
}

// A 16 x 16 grey PNG, each row of the shade of its number, then `after`
// (chunks of its own) before IEND.
Bytes grey_png(const Bytes& after) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  put_chunk(&png, "IHDR", {0, 0, 0, 16, 0, 0, 0, 16, 8, 0, 0, 0, 0});
  Bytes rows;
  for (uint8_t y = 0; y < 16; ++y) {
    rows.push_back(0);
    rows.insert(rows.end(), 16, y);
  }
  uLongf size = compressBound(rows.size());
  Bytes data(size);
  compress(data.data(), &size, rows.data(), rows.size());
  data.resize(size);
  put_chunk(&png, "IDAT", data);
  png.insert(png.end(), after.begin(), after.end());
  put_chunk(&png, "IEND", {});
  return png;
}

TEST(PngReader, ReadingStopsAfterTheLastRow) {
  Bytes damaged_idat;  // more image data, damaged: read, it would refuse the file
  put_chunk(&damaged_idat, "IDAT", Bytes(64, 0x55), 1);
  // A chunk that takes the file to 5 bytes a pixel and 1 MiB, and one byte past it.
  const size_t room = 5 * 256 + (1 << 20) - grey_png({}).size() - 12;
  Bytes padding, past;
  put_chunk(&padding, "zzPd", Bytes(room, 0));
  put_chunk(&past, "zzPd", Bytes(room + 1, 0));
  struct Case {
    const char* what;
    Bytes file;
    const char* problem;
  };
  const Case cases[] = {
      {"damaged data after the last row", grey_png(damaged_idat), ""},
      {"at the size its pixels allow", grey_png(padding), ""},
      {"past it", grey_png(past), "a file of 1049857 bytes for 16 x 16 pixels, more than the 1049856 such an image may take (5 bytes a pixel and 1 MiB)"},
  };
  for (const Case& c : cases) {
    ImageBuffers buffers;
    DecodedImage image;
    std::string problem;
    EXPECT_EQ(read_image(c.file, 1 << 24, &buffers, &image, &problem), *c.problem == '\0') << c.what;
    EXPECT_EQ(problem, c.problem) << c.what;
    if (problem.empty()) {
      EXPECT_EQ(image_row(image, 15)[0], 15) << c.what;
    }
  }
#ifndef _WIN32
  // Nothing past the 64 KiB piece that holds the last row (the second one
  // handed over) is read: here those bytes cannot be, and reading them
  // would end the test.
  const size_t piece = 64 * 1024, size = 3 * piece;
  Bytes far;
  put_chunk(&far, "zzPd", Bytes(size - grey_png({}).size() - 12, 0));
  auto* area = static_cast<uint8_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(area, MAP_FAILED);
  const Bytes file = grey_png(far);
  std::copy(file.begin(), file.end(), area);
  ASSERT_EQ(mprotect(area + 2 * piece, piece, PROT_NONE), 0);
  ImageBuffers buffers;
  DecodedImage image;
  std::string problem;
  EXPECT_TRUE(read_image({area, size}, 1 << 24, &buffers, &image, &problem)) << problem;
  munmap(area, size);
#endif
}

}  // namespace
