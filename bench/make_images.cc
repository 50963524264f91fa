// Writes the image cases of bench/images: image files of at most 1 MB that
// cost far more than their size if a reader is careless (compressed data
// after the last row, a small picture followed by megabytes, a few bytes
// that decode to millions of pixels), and the 16 x 16 PNG followed by
// 16 MB that is refused by its size alone. Each case is a folder of its own,
// CASE/CASE.PIX/0001. t.png (or .bmp), as velmire writes one texture.
//   make_images FOLDER
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr size_t kMegabyte = 1000 * 1000;

void put_be32(Bytes* bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

void put_le(Bytes* bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void put_chunk(Bytes* png, const char* type, const Bytes& data) {
  put_be32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  put_be32(png, static_cast<uint32_t>(crc32(0, png->data() + start, static_cast<uInt>(png->size() - start))));
}

// A deflate stream of `rows` and then of `surplus` bytes made by `more`
// until the stream reaches `compressed_bytes`: data an image reader never
// needs, in the same stream as its rows.
template <typename More>
Bytes deflate_with_surplus(const Bytes& rows, size_t compressed_bytes, More more) {
  z_stream stream{};
  deflateInit(&stream, Z_BEST_COMPRESSION);
  Bytes out(compressed_bytes + (1 << 16));
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  Bytes input = rows;
  for (;;) {
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(input.size());
    deflate(&stream, Z_NO_FLUSH);
    if (stream.total_out + (1 << 15) >= compressed_bytes) break;
    more(&input);
  }
  stream.avail_in = 0;
  while (deflate(&stream, Z_FINISH) == Z_OK) {
  }
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A PNG of 8-bit RGB pixels around its image data.
Bytes png_file(uint32_t width, uint32_t height, const Bytes& image_data) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  put_be32(&header, width);
  put_be32(&header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  put_chunk(&png, "IHDR", header);
  put_chunk(&png, "IDAT", image_data);
  put_chunk(&png, "IEND", {});
  return png;
}

// Rows of `width` RGB pixels, each with its filter byte.
Bytes rgb_rows(uint32_t width, uint32_t height, uint8_t shade) {
  Bytes rows;
  for (uint32_t y = 0; y < height; ++y) {
    rows.push_back(0);
    rows.insert(rows.end(), size_t{width} * 3, static_cast<uint8_t>(shade + y));
  }
  return rows;
}

// A run-length 8-bit BMP of one colour: two bytes for every 255 pixels.
Bytes rle_bmp(uint32_t side) {
  Bytes pixels;
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; x += 255) pixels.insert(pixels.end(), {static_cast<uint8_t>(std::min(255u, side - x)), 1});
    pixels.insert(pixels.end(), {0, 0});
  }
  pixels.insert(pixels.end(), {0, 1});
  Bytes bmp = {'B', 'M'};
  const uint32_t offset = 14 + 40 + 256 * 4;
  put_le(&bmp, offset + static_cast<uint32_t>(pixels.size()), 4);
  put_le(&bmp, 0, 4);
  put_le(&bmp, offset, 4);
  for (uint32_t field : {40u, side, side}) put_le(&bmp, field, 4);
  put_le(&bmp, 1, 2);
  put_le(&bmp, 8, 2);
  for (uint32_t field : {1u, static_cast<uint32_t>(pixels.size()), 0u, 0u, 256u, 0u}) put_le(&bmp, field, 4);
  for (uint32_t i = 0; i < 256; ++i) put_le(&bmp, i * 0x010101u, 4);
  bmp.insert(bmp.end(), pixels.begin(), pixels.end());
  return bmp;
}

void write_case(const fs::path& folder, const std::string& name, const std::string& extension, const Bytes& bytes) {
  const fs::path path = folder / name / (name + ".PIX") / ("0001. t." + extension);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::printf("%-34s %9zu bytes\n", name.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_images FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const Bytes small = rgb_rows(16, 16, 40);
  std::mt19937 random(7);
  const auto zeros = [](Bytes* input) { input->assign(1 << 20, 0); };
  const auto noise = [&random](Bytes* input) {
    input->resize(1 << 16);
    for (uint8_t& byte : *input) byte = static_cast<uint8_t>(random());
  };
  // Under 1 MB, each: a 16 x 16 picture whose stream goes on, expanding
  // about a thousandfold or not at all; the same picture followed by bytes
  // after its end; 4096 x 4096 pixels, the most -maxpixels lets in by
  // default, in stripes of one colour (PNG) or all of one (run-length BMP).
  write_case(folder, "png-16x16-then-zeros-deflated", "png",
             png_file(16, 16, deflate_with_surplus(small, kMegabyte - 4096, zeros)));
  write_case(folder, "png-16x16-then-noise", "png", png_file(16, 16, deflate_with_surplus(small, kMegabyte - 4096, noise)));
  Bytes trailing = png_file(16, 16, deflate_with_surplus(small, 0, zeros));
  trailing.resize(kMegabyte, 0x5A);
  write_case(folder, "png-16x16-then-bytes", "png", trailing);
  write_case(folder, "png-4096x4096-striped", "png",
             png_file(4096, 4096, deflate_with_surplus(rgb_rows(4096, 4096, 0), 0, zeros)));
  write_case(folder, "bmp-rle8-4096x4096-one-colour", "bmp", rle_bmp(4096));
  // Over 1 MB: refused by its size, before a byte of it is decoded.
  write_case(folder, "png-16x16-then-16MB-noise-deflated", "png",
             png_file(16, 16, deflate_with_surplus(small, 16 * kMegabyte, noise)));
  return 0;
}
