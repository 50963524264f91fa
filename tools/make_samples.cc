// Writes the sample PIX files that ship in samples/: small pictures a person
// recognises when the extracted BMP files are opened. The output is the same
// byte for byte on every run, so the shipped files can be checked against it.
//
//   make_samples <folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pix_writer.h"

namespace fs = std::filesystem;

namespace {

// Race palette entries used below.
constexpr uint8_t kRed = 4, kOrange = 28, kYellow = 52, kGreen = 84, kCyan = 132, kBlue = 164;
constexpr uint8_t kDarkGrey = 226, kLightGrey = 238, kGreyRampStart = 224, kWhite = 255;

using Pixels = std::vector<uint8_t>;

Pixels checkerboard(int size, int square) {
  Pixels pixels;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      pixels.push_back(((x / square + y / square) % 2 == 0) ? kLightGrey : kDarkGrey);
  return pixels;
}

// Dark on the left to light on the right, through the 16 greys.
Pixels grey_gradient(int width, int height) {
  Pixels pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<uint8_t>(kGreyRampStart + x * 16 / width));
  return pixels;
}

Pixels rainbow_stripes(int size) {
  const uint8_t colours[] = {kRed, kOrange, kYellow, kGreen, kCyan, kBlue};
  Pixels pixels;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) pixels.push_back(colours[y * 6 / size]);
  return pixels;
}

// A white V on red, 30 pixels wide: rows of 30 bytes are not a multiple of 4.
Pixels letter_v(int width, int height) {
  Pixels pixels;
  for (int y = 0; y < height; ++y) {
    int left = 3 + y * (width / 2 - 4) / height;
    int right = width - 1 - left;
    for (int x = 0; x < width; ++x) {
      bool stroke = (x >= left && x < left + 4) || (x <= right && x > right - 4);
      pixels.push_back(stroke && y > 2 && y < height - 3 ? kWhite : kRed);
    }
  }
  return pixels;
}

// Rings of colour around the centre, for the Splat Pack texture.
Pixels target(int size) {
  const uint8_t colours[] = {kYellow, kRed, kWhite, kBlue};
  Pixels pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
      int ring = 0;
      while ((ring + 1) * (ring + 1) * size * size / 16 <= dx * dx + dy * dy && ring < 3) ++ring;
      pixels.push_back(colours[ring]);
    }
  }
  return pixels;
}

// Seven vertical colour bars, stored R G B as in the game's files.
Pixels colour_bars(int width, int height) {
  const uint8_t bars[7][3] = {{0xb4, 0xb4, 0xb4}, {0xb4, 0xb4, 0x10}, {0x10, 0xb4, 0xb4},
                              {0x10, 0xb4, 0x10}, {0xb4, 0x10, 0xb4}, {0xb4, 0x10, 0x10},
                              {0x10, 0x10, 0xb4}};
  Pixels pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), bars[x * 7 / width], bars[x * 7 / width] + 3);
  return pixels;
}

// An orange-to-purple sky, stored X R G B.
Pixels sunset(int width, int height) {
  Pixels pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t t = static_cast<uint8_t>(y * 255 / (height - 1));
      pixels.insert(pixels.end(), {0, static_cast<uint8_t>(255 - t / 2), static_cast<uint8_t>(160 - t * 5 / 8),
                                   static_cast<uint8_t>(40 + t / 2)});
    }
  }
  return pixels;
}

bool save(const fs::path& path, const PixFile& file) {
  fs::create_directories(path.parent_path());
  FILE* stream = std::fopen(path.string().c_str(), "wb");
  if (stream == nullptr) return false;
  bool written = std::fwrite(file.bytes.data(), 1, file.bytes.size(), stream) == file.bytes.size();
  return std::fclose(stream) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples <folder>\n");
    return 1;
  }
  fs::path root = argv[1];

  PixFile track = start_pix_file();
  add_texture(&track, kType8Bit, 64, 64, "CHECKER.PIX", checkerboard(64, 8));
  add_texture(&track, kType8Bit, 64, 16, "GRADIENT.PIX", grey_gradient(64, 16));
  add_texture(&track, kType8Bit, 32, 32, "", rainbow_stripes(32));
  add_texture(&track, kType8Bit, 30, 30, "LETTER_V.PIX", letter_v(30, 30));

  PixFile colours = start_pix_file();
  add_texture(&colours, kTypeRgb, 56, 32, "BARS24.PIX", colour_bars(56, 32));
  add_texture(&colours, kTypeXrgb, 64, 32, "SUNSET32.PIX", sunset(64, 32));

  PixFile splat = start_pix_file();
  add_splat_pack_texture(&splat, 32, 32, "TARGET.PIX", target(32));

  bool saved = save(root / "TRACK.PIX", track) && save(root / "cars" / "COLOURS.PIX", colours) &&
               save(root / "cars" / "SPLAT.PIX", splat);
  if (!saved) {
    std::fprintf(stderr, "make_samples: cannot write into %s\n", root.string().c_str());
    return 1;
  }
  return 0;
}
