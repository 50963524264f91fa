// Writes a PIX file of 8-bit textures with the names given, for the browser
// test's hostile names (given as arguments, so that no shell reads them).
// The sizes cycle through a small table: rows a multiple of 4 bytes and not
// (marked "!" in BMP mode), textures scaled up and down on the page.
//
//   write_pix <file> <name>...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "pix_writer.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: write_pix <file> <name>...\n");
    return 2;
  }
  struct Size {
    uint16_t width, height;
  };
  constexpr Size kSizes[] = {{8, 8}, {13, 5}, {300, 6}, {64, 80}, {2, 40}, {48, 24}};
  PixFile pix = start_pix_file();
  for (int i = 2; i < argc; ++i) {
    const Size size = kSizes[(i - 2) % std::size(kSizes)];
    std::vector<uint8_t> pixels(size_t{size.width} * size.height);
    for (size_t p = 0; p < pixels.size(); ++p) pixels[p] = static_cast<uint8_t>(16 + i * 23 + p % size.width);
    add_texture(&pix, kType8Bit, size.width, size.height, argv[i], pixels);
  }
  std::ofstream file(argv[1], std::ios::binary);
  file.write(reinterpret_cast<const char*>(pix.bytes.data()), static_cast<std::streamsize>(pix.bytes.size()));
  return file ? 0 : 1;
}
