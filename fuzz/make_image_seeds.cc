// Writes small valid BMP and PNG files, one for each path through the image
// readers, into the folder named on the command line:
//   make_image_seeds CORPUS_FOLDER
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

// A BMP whose image-size field gives `stride` (0: left 0, rows padded to 4
// bytes). Pixel and padding bytes follow a pattern.
Bytes bmp(int32_t width, int32_t height, uint16_t bits, uint32_t stride, uint32_t header = 40,
          uint32_t compression = 0, uint32_t colours = 0) {
  const uint32_t size = (stride != 0 ? stride : (width * bits / 8 + 3) / 4 * 4) * (height < 0 ? -height : height);
  const uint32_t table = bits == 8 ? 4 * (colours != 0 ? colours : 256) : 0;
  const uint32_t offset = 14 + header + (compression == 3 && header == 40 ? 12 : 0) + table;
  const uint32_t fields[][2] = {{'B' | 'M' << 8, 2}, {offset + size, 4}, {0, 4}, {offset, 4}, {header, 4},
                                {uint32_t(width), 4}, {uint32_t(height), 4}, {1, 2}, {bits, 2}, {compression, 4},
                                {stride != 0 ? size : 0, 4}, {2835, 4}, {2835, 4}, {colours, 4}, {0, 4},
                                {0xFF0000, 4}, {0xFF00, 4}, {0xFF, 4}};  // the masks, cut when unused
  Bytes b;
  for (auto [value, count] : fields)
    for (uint32_t i = 0; i < count; ++i) b.push_back(static_cast<uint8_t>(value >> 8 * i));
  b.resize(offset - table);
  for (uint32_t i = 0; i < table; ++i) b.push_back(static_cast<uint8_t>(i % 4 == 3 ? 0 : i * 37));
  for (uint32_t i = 0; i < size; ++i) b.push_back(static_cast<uint8_t>(i * 31 + 7));
  return b;
}

void append(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

// A 9 x 7 PNG from patterned rows. With `trns`, the first half of the
// palette gets alpha, or the first pixel's grey or RGB value is transparent.
bool write_png(Bytes* out, int colour_type, int depth, bool trns, bool interlaced) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) return png_destroy_write_struct(&png, &info), false;
  png_set_write_fn(png, out, append, nullptr);
  png_set_IHDR(png, info, 9, 7, depth, colour_type, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  png_byte alpha[256], rows[7][9 * 8];
  for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i * 40), png_byte(255 - i), png_byte(i * 3)}, alpha[i] = png_byte(i * 50);
  for (int i = 0; i < 7 * 9 * 8; ++i) rows[i / 72][i % 72] = png_byte(i * 13 + 5);
  png_color_16 transparent = {0, 0x0512, 0x1f2c, 0x3946, 5};
  if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 1 << depth);
  if (trns) png_set_tRNS(png, info, alpha, colour_type == PNG_COLOR_TYPE_PALETTE ? (1 << depth) / 2 + 1 : 0, &transparent);
  png_write_info(png, info);
  for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
    for (auto& row : rows) png_write_row(png, row);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: make_image_seeds CORPUS_FOLDER\n"), 1;
  std::vector<std::pair<std::string, Bytes>> seeds = {
      {"bmp8-bottom-up-padded.bmp", bmp(13, 5, 8, 0)},      {"bmp8-top-down-unpadded.bmp", bmp(30, -4, 8, 30)},
      {"bmp8-16-colours.bmp", bmp(6, 2, 8, 8, 40, 0, 16)},  {"bmp24-extra-row-bytes.bmp", bmp(7, 3, 24, 28)},
      {"bmp32.bmp", bmp(4, 3, 32, 16)},                     {"bmp32-bitfields.bmp", bmp(4, -3, 32, 0, 40, 3)},
      {"bmp32-bitfields-v5.bmp", bmp(5, 2, 32, 20, 124, 3)}};
  struct { std::string name; int type, depth; bool trns = false, interlaced = false; } pngs[15] = {
      {"grey-1", 0, 1}, {"grey-8", 0, 8}, {"grey-16", 0, 16}, {"grey-alpha-8", 4, 8},
      {"rgb-8", 2, 8},  {"rgb-16-trns", 2, 16, true},         {"rgba-8", 6, 8}};
  for (int i = 0; i < 8; ++i)  // palettes of 1, 2, 4 and 8 bits, without and with tRNS; one interlaced
    pngs[7 + i] = {"palette-" + std::to_string(1 << i / 2) + (i % 2 ? "-trns" : ""), 3, 1 << i / 2, i % 2 == 1, i == 4};
  for (const auto& p : pngs) {
    seeds.push_back({"png-" + p.name + ".png", {}});
    if (!write_png(&seeds.back().second, p.type, p.depth, p.trns, p.interlaced))
      return std::fprintf(stderr, "make_image_seeds: libpng cannot write %s\n", p.name.c_str()), 1;
  }
  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) return std::fprintf(stderr, "make_image_seeds: cannot write %s\n", path.c_str()), 1;
  }
  return 0;
}
