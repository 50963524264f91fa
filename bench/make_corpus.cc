// Writes a benchmark corpus of PIX files with the test PIX writer (tests/support/pix_writer.h),
// the same bytes on every run and every machine, and a manifest of the BMP
// files the extractor makes from it (default options: one folder per PIX
// file, numbered names, ".BMP" added), which the I/O floor reads.
//
//   make_corpus game|big|many <folder>
//
// <folder>/src holds the PIX files and <folder>/manifest.txt the manifest.
// The corpora:
//   game  shaped like the game's own data: 905 PIX files in 5 folders,
//         9,029 textures, 71 MB of pixels. 650 files hold one texture, 88
//         hold 6 to 10 and 73 hold 50 or more; 250 textures are at most
//         16x16, 315 at most 32x32, 7,197 at most 64x64, 812 at most
//         128x128, 416 at most 256x256 and 39 larger; all 8-bit but 2 of 3
//         and 5 of 4 bytes per pixel; 55 have rows padded past their pixels.
//   big   17 times game's files in the same 5 folders, each seventeenth of
//         the same shape; about 1.2 GB.
//   many  20,000 PIX files of one 16x16 8-bit texture each, in 20 folders
//         two levels deep.
//
// Manifest: a first line "velmire-bench-manifest 1", then for each PIX file
// in the order written a line
//   P <tab> PIX path <tab> PIX size <tab> output folder <tab> texture count
// followed by one line per texture
//   <BMP size> <tab> <BMP file name>
// Paths are relative (to src/ and to the destination) with '/' between parts.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pix_writer.h"

namespace fs = std::filesystem;

namespace {

// splitmix64: a fixed sequence whatever the compiler or library.
struct Random {
  uint64_t state;
};

uint64_t next(Random* random) {
  uint64_t z = (random->state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint32_t below(Random* random, uint32_t limit) {
  return static_cast<uint32_t>(next(random) % limit);
}

// 0 to 511 and back over a period of 1024: smooth shading in integers, so
// that the corpus is the same on every machine.
uint32_t triangle(uint32_t t) {
  t %= 1024;
  return t < 512 ? t : 1023 - t;
}

// Pixels that look like a painted texture, not noise: 8 shades of one
// colour changing smoothly over the picture in bands of a random direction
// and frequency, with one pixel in six a shade off. PNG compresses them
// the way it compresses pictures; pure noise it could not compress at all.
// 8-bit pixels take the shades of one of the race palette's 8-colour ramps;
// true colour ones scale a random colour, R G B (X R G B with X 0).
std::vector<uint8_t> texture_pixels(Random* random, uint32_t width, uint32_t height, uint32_t bytes_per_pixel) {
  const uint32_t fx = 1 + below(random, 3), fy = below(random, 3), phase = below(random, 1024);
  const uint8_t ramp = static_cast<uint8_t>(8 * below(random, 28));
  const uint8_t colour[3] = {static_cast<uint8_t>(64 + below(random, 192)), static_cast<uint8_t>(64 + below(random, 192)),
                             static_cast<uint8_t>(64 + below(random, 192))};
  std::vector<uint8_t> pixels;
  pixels.reserve(size_t{width} * height * bytes_per_pixel);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t wave = triangle(x * fx * 1024 / width + y * fy * 1024 / height + phase);
      int shade = static_cast<int>(wave / 64);  // 0 to 7
      if (below(random, 6) == 0) shade = shade == 0 ? 1 : shade - 1;
      if (bytes_per_pixel == 1) {
        pixels.push_back(static_cast<uint8_t>(ramp + shade));
        continue;
      }
      if (bytes_per_pixel == 4) pixels.push_back(0);
      for (uint8_t c : colour) pixels.push_back(static_cast<uint8_t>(c * (8 + shade) / 16));
    }
  }
  return pixels;
}

constexpr const char* kWords[] = {
    "ROAD", "WALL", "TREE", "SKY",  "GRASS", "BRICK", "ROOF",  "SIGN",  "LAMP",  "TYRE",
    "GLASS", "METAL", "RUST", "DIRT", "SAND", "ROCK", "WATER", "FENCE", "CRATE", "DOOR",
    "PED",  "COP",  "EAGLE", "HAWK", "SMOKE", "FIRE", "SPARK", "HUD",  "FONT",  "MAP"};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string texture_name(Random* random) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%02u.PIX", kWords[below(random, kWordCount)], below(random, 100));
  return name;
}

struct Manifest {
  std::string text = "velmire-bench-manifest 1\n";
};

struct PendingFile {
  PixFile pix = start_pix_file();
  std::string outputs;  // the manifest's texture lines
  int textures = 0;
};

void note_output(PendingFile* file, uint64_t bmp_size, const std::string& name) {
  ++file->textures;
  char line[64];
  std::snprintf(line, sizeof line, "%llu\t%04d. ", static_cast<unsigned long long>(bmp_size), file->textures);
  file->outputs += line;
  file->outputs += name;
  file->outputs += ".BMP\n";
}

constexpr uint64_t kBmpHeader = 54;
constexpr uint64_t kBmpPalette = 1024;

// The corpus's shape (files, textures, names, sizes) comes from one stream,
// the pixels from another, so that a change to how pixels are made leaves
// the shape as it is.
struct Streams {
  Random shape;
  Random pixels;
};

void add_8bit(PendingFile* file, Streams* random, uint16_t size) {
  std::string name = texture_name(&random->shape);
  add_texture(&file->pix, kType8Bit, size, size, name, texture_pixels(&random->pixels, size, size, 1));
  note_output(file, kBmpHeader + kBmpPalette + uint64_t{size} * size, name);
}

// The game's texture sizes: how many of each bucket, and the sizes drawn
// in it (the first `full` in a hundred the square, the others half as high).
struct SizeBucket {
  int count;
  uint16_t side;
  int full;
};
constexpr SizeBucket kGameSizes[] = {
    {250, 16, 100}, {315, 32, 100}, {7197, 64, 85}, {812, 128, 80}, {416, 256, 70}, {39, 512, 60},
};
constexpr int kGameTextures = 9029;
constexpr int kTrueColour3 = 2, kTrueColour4 = 5, kPaddedRows = 55;

// One texture of the game's shape: `kind` 0 8-bit, 1 padded 8-bit, 3 or 4
// bytes per pixel.
void add_game_texture(PendingFile* file, Streams* random, uint16_t width, uint16_t height, int kind) {
  std::string name = texture_name(&random->shape);
  if (kind >= 3) {
    const uint8_t type = kind == 3 ? kTypeRgb : kTypeXrgb;
    add_texture(&file->pix, type, width, height, name, texture_pixels(&random->pixels, width, height, kind));
    note_output(file, kBmpHeader + uint64_t{width} * height * kind, name);
    return;
  }
  // Padded rows: 4 pixels fewer than the row holds, the last 4 bytes of
  // each row a fixed filler.
  const uint16_t pixels_wide = kind == 1 ? static_cast<uint16_t>(width - 4) : width;
  std::vector<uint8_t> pixels = texture_pixels(&random->pixels, width, height, 1);
  if (kind == 1)
    for (uint32_t y = 0; y < height; ++y) std::fill_n(pixels.begin() + y * width + pixels_wide, 4, 0xFE);
  add_header_block(&file->pix, kType8Bit, width, pixels_wide, height, name);
  add_pixel_block(&file->pix, static_cast<uint32_t>(pixels.size()), 1, pixels);
  note_output(file, kBmpHeader + kBmpPalette + uint64_t{width} * height, name);
}

// How many textures each of the game's 905 files holds: 650 one, 60 two to
// five, 88 six to ten, 34 eleven to 49, and 73 fifty or more, taking the
// rest of the 9,029.
std::vector<int> game_file_sizes(Random* random) {
  std::vector<int> counts(650, 1);
  for (int i = 0; i < 60; ++i) counts.push_back(2 + static_cast<int>(below(random, 4)));
  for (int i = 0; i < 88; ++i) counts.push_back(6 + static_cast<int>(below(random, 5)));
  for (int i = 0; i < 34; ++i) counts.push_back(11 + static_cast<int>(below(random, 39)));
  int used = 0;
  for (int count : counts) used += count;
  int left = kGameTextures - used - 73 * 50;
  for (int i = 0; i < 73; ++i) {
    const int extra = i == 72 ? left : static_cast<int>(below(random, static_cast<uint32_t>(2 * left / (73 - i) + 1)));
    counts.push_back(50 + extra);
    left -= extra;
  }
  // Shuffled, so that large and small files mix in every folder.
  for (size_t i = counts.size() - 1; i > 0; --i) std::swap(counts[i], counts[below(random, static_cast<uint32_t>(i + 1))]);
  return counts;
}

// Every texture's sizes and kind, in the order they are stored.
struct Planned {
  uint16_t width, height;
  int kind;
};
std::vector<Planned> game_textures(Random* random) {
  std::vector<Planned> planned;
  for (const SizeBucket& bucket : kGameSizes)
    for (int i = 0; i < bucket.count; ++i) {
      const bool full = static_cast<int>(below(random, 100)) < bucket.full;
      planned.push_back({bucket.side, static_cast<uint16_t>(full ? bucket.side : bucket.side / 2), 0});
    }
  for (size_t i = planned.size() - 1; i > 0; --i) std::swap(planned[i], planned[below(random, static_cast<uint32_t>(i + 1))]);
  // The true colour and padded ones among the 64-pixel-wide textures.
  int true_colour = 0, padded = 0;
  for (Planned& texture : planned) {
    if (texture.width != 64) continue;
    if (true_colour < kTrueColour3 + kTrueColour4) texture.kind = true_colour++ < kTrueColour3 ? 3 : 4;
    else if (padded++ < kPaddedRows) texture.kind = 1;
  }
  return planned;
}

bool save(const fs::path& path, const std::vector<uint8_t>& bytes) {
  FILE* stream = std::fopen(path.string().c_str(), "wb");
  if (stream == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  return std::fclose(stream) == 0 && written;
}

bool finish_file(const fs::path& src, const std::string& relative, PendingFile* file, Manifest* manifest) {
  if (!save(src / relative, file->pix.bytes)) {
    std::fprintf(stderr, "make_corpus: cannot write %s\n", (src / relative).string().c_str());
    return false;
  }
  char sizes[64];
  std::snprintf(sizes, sizeof sizes, "\t%zu\t", file->pix.bytes.size());
  manifest->text += "P\t" + relative + sizes + relative + "\t" + std::to_string(file->textures) + "\n";
  manifest->text += file->outputs;
  return true;
}

// The five folders of the game's PIX files, and the share of them each holds.
constexpr const char* kGameFolders[] = {"DATA/PIXELMAP", "DATA/32X20X8/PIXELMAP", "DATA/64X48X8/PIXELMAP",
                                        "DATA/FONTS", "DATA/REG/PIXELMAP"};
constexpr uint32_t kFolderShare[] = {40, 25, 25, 5, 5};

// `rounds` times the game's files, each round of the same shape.
bool make_game(const fs::path& src, int rounds, Manifest* manifest) {
  for (const char* folder : kGameFolders) fs::create_directories(src / folder);
  Streams streams{{0}, {0x5EED1001}};
  for (int round = 0; round < rounds; ++round) {
    streams.shape = Random{0x5EED0001};
    const std::vector<int> sizes = game_file_sizes(&streams.shape);
    const std::vector<Planned> planned = game_textures(&streams.shape);
    size_t next = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
      uint32_t pick = below(&streams.shape, 100), folder = 0;
      while (pick >= kFolderShare[folder]) pick -= kFolderShare[folder++];
      char name[32];
      std::snprintf(name, sizeof name, "%.4s%04d.PIX", kWords[i % kWordCount], static_cast<int>(round * sizes.size() + i));
      PendingFile file;
      for (int t = 0; t < sizes[i]; ++t, ++next)
        add_game_texture(&file, &streams, planned[next].width, planned[next].height, planned[next].kind);
      if (!finish_file(src, std::string(kGameFolders[folder]) + "/" + name, &file, manifest)) return false;
    }
  }
  return true;
}

bool make_many(const fs::path& src, Manifest* manifest) {
  Streams streams{{0x5EED0002}, {0x5EED1002}};
  constexpr int kFiles = 20000;
  constexpr int kTop = 4, kSub = 5;
  for (int i = 0; i < kFiles; ++i) {
    int leaf = i % (kTop * kSub);
    char folder[32], name[32];
    std::snprintf(folder, sizeof folder, "PART%d/SET%02d", leaf / kSub, leaf);
    std::snprintf(name, sizeof name, "T%05d.PIX", i);
    if (i < kTop * kSub) fs::create_directories(src / folder);
    PendingFile file;
    add_8bit(&file, &streams, 16);
    if (!finish_file(src, std::string(folder) + "/" + name, &file, manifest)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_corpus game|big|many <folder>\n");
    return 1;
  }
  std::string_view kind = argv[1];
  fs::path root = argv[2];
  fs::path src = root / "src";
  std::error_code error;
  fs::remove_all(src, error);
  fs::create_directories(src);
  Manifest manifest;
  bool made = false;
  if (kind == "game")
    made = make_game(src, 1, &manifest);
  else if (kind == "big")
    made = make_game(src, 17, &manifest);
  else if (kind == "many")
    made = make_many(src, &manifest);
  else
    std::fprintf(stderr, "make_corpus: unknown corpus %s\n", argv[1]);
  if (!made) return 1;
  std::vector<uint8_t> text(manifest.text.begin(), manifest.text.end());
  if (!save(root / "manifest.txt", text)) {
    std::fprintf(stderr, "make_corpus: cannot write the manifest\n");
    return 1;
  }
  return 0;
}
