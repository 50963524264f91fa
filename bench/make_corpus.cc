// Writes a benchmark corpus of PIX files with the PIX writer (tools/pix_writer.h),
// the same bytes on every run and every machine, and a manifest of the BMP
// files the extractor makes from it (default options: one folder per PIX
// file, numbered names, ".BMP" added), which the I/O floor reads.
//
//   make_corpus game|big|many <folder>
//
// <folder>/src holds the PIX files and <folder>/manifest.txt the manifest.
// The corpora:
//   game  about 300 PIX files in 10 folders two levels deep, 1 to 120
//         textures per file, mostly 64x64 8-bit, some 128x128 and 256x256,
//         a few Splat Pack ("1122"), 24-bit and 32-bit ones; about 35 MB.
//   big   the same shape with 33 times as many PIX files; about 1.2 GB.
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

#include "pix/pix_blocks.h"
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

// Uniform in [0, 1).
double uniform(Random* random) {
  return static_cast<double>(next(random) >> 11) * (1.0 / 9007199254740992.0);
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
  add_texture(&file->pix, kPixType8Bit, size, size, name, texture_pixels(&random->pixels, size, size, 1));
  note_output(file, kBmpHeader + kBmpPalette + uint64_t{size} * size, name);
}

// One texture of the game mix.
void add_game_texture(PendingFile* file, Streams* random) {
  double u = uniform(&random->shape);
  if (u < 0.80) return add_8bit(file, random, 64);
  if (u < 0.90) return add_8bit(file, random, 128);
  if (u < 0.93) return add_8bit(file, random, 256);
  std::string name = texture_name(&random->shape);
  if (u < 0.95) {
    add_splat_pack_texture(&file->pix, 64, 64, name, texture_pixels(&random->pixels, 64, 64, 1));
    note_output(file, kBmpHeader + kBmpPalette + 64 * 64, name);
  } else if (u < 0.975) {
    add_texture(&file->pix, kPixTypeRgb, 64, 64, name, texture_pixels(&random->pixels, 64, 64, 3));
    note_output(file, kBmpHeader + 64 * 64 * 3, name);
  } else {
    add_texture(&file->pix, kPixTypeXrgb, 64, 64, name, texture_pixels(&random->pixels, 64, 64, 4));
    note_output(file, kBmpHeader + 64 * 64 * 4, name);
  }
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

// The ten folders of a game-like install, two levels deep.
constexpr const char* kGameFolders[] = {
    "CARS/EAGLE",  "CARS/HAWK",    "CARS/OPPONENTS", "DATA/FONTS",   "DATA/HUD",
    "DATA/PIXELMAP", "RACES/CITY", "RACES/DESERT",   "RACES/INDUSTRY", "RACES/MINES"};
constexpr size_t kGameFolderCount = sizeof kGameFolders / sizeof kGameFolders[0];

bool make_game(const fs::path& src, int file_count, Manifest* manifest) {
  Streams streams{{0x5EED0001}, {0x5EED1001}};
  Random* random = &streams.shape;
  for (size_t f = 0; f < kGameFolderCount; ++f) fs::create_directories(src / kGameFolders[f]);
  for (int i = 0; i < file_count; ++i) {
    const char* folder = kGameFolders[i % kGameFolderCount];
    char name[32];
    std::snprintf(name, sizeof name, "%s%03d.PIX", kWords[below(random, kWordCount)], i / static_cast<int>(kGameFolderCount));
    PendingFile file;
    // Most files hold a few textures, some many: 1 + 119 u^7 (mean about 16).
    double u = uniform(random);
    double power = u * u * u * u * u * u * u;
    int textures = 1 + static_cast<int>(119 * power);
    for (int t = 0; t < textures; ++t) add_game_texture(&file, &streams);
    if (!finish_file(src, std::string(folder) + "/" + name, &file, manifest)) return false;
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
    made = make_game(src, 300, &manifest);
  else if (kind == "big")
    made = make_game(src, 300 * 33, &manifest);
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
