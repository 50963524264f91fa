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

// Pixel bytes: a few bands of palette indices with noise, so that the files
// are not all zeros (some file systems treat runs of zeros specially).
std::vector<uint8_t> pixel_bytes(Random* random, size_t count) {
  std::vector<uint8_t> pixels(count);
  uint8_t base = static_cast<uint8_t>(below(random, 256));
  for (size_t i = 0; i < count; i += 8) {
    uint64_t noise = next(random);
    for (size_t k = 0; k < 8 && i + k < count; ++k)
      pixels[i + k] = static_cast<uint8_t>(base + ((noise >> (8 * k)) & 0x0F) + (i / 512));
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

void add_8bit(PendingFile* file, Random* random, uint16_t size) {
  std::string name = texture_name(random);
  add_texture(&file->pix, kPixType8Bit, size, size, name, pixel_bytes(random, size_t{size} * size));
  note_output(file, kBmpHeader + kBmpPalette + uint64_t{size} * size, name);
}

// One texture of the game mix.
void add_game_texture(PendingFile* file, Random* random) {
  double u = uniform(random);
  if (u < 0.80) return add_8bit(file, random, 64);
  if (u < 0.90) return add_8bit(file, random, 128);
  if (u < 0.93) return add_8bit(file, random, 256);
  std::string name = texture_name(random);
  if (u < 0.95) {
    add_splat_pack_texture(&file->pix, 64, 64, name, pixel_bytes(random, 64 * 64));
    note_output(file, kBmpHeader + kBmpPalette + 64 * 64, name);
  } else if (u < 0.975) {
    add_texture(&file->pix, kPixTypeRgb, 64, 64, name, pixel_bytes(random, 64 * 64 * 3));
    note_output(file, kBmpHeader + 64 * 64 * 3, name);
  } else {
    add_texture(&file->pix, kPixTypeXrgb, 64, 64, name, pixel_bytes(random, 64 * 64 * 4));
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
  Random random{0x5EED0001};
  for (size_t f = 0; f < kGameFolderCount; ++f) fs::create_directories(src / kGameFolders[f]);
  for (int i = 0; i < file_count; ++i) {
    const char* folder = kGameFolders[i % kGameFolderCount];
    char name[32];
    std::snprintf(name, sizeof name, "%s%03d.PIX", kWords[below(&random, kWordCount)], i / static_cast<int>(kGameFolderCount));
    PendingFile file;
    // Most files hold a few textures, some many: 1 + 119 u^7 (mean about 16).
    double u = uniform(&random);
    double power = u * u * u * u * u * u * u;
    int textures = 1 + static_cast<int>(119 * power);
    for (int t = 0; t < textures; ++t) add_game_texture(&file, &random);
    if (!finish_file(src, std::string(folder) + "/" + name, &file, manifest)) return false;
  }
  return true;
}

bool make_many(const fs::path& src, Manifest* manifest) {
  Random random{0x5EED0002};
  constexpr int kFiles = 20000;
  constexpr int kTop = 4, kSub = 5;
  for (int i = 0; i < kFiles; ++i) {
    int leaf = i % (kTop * kSub);
    char folder[32], name[32];
    std::snprintf(folder, sizeof folder, "PART%d/SET%02d", leaf / kSub, leaf);
    std::snprintf(name, sizeof name, "T%05d.PIX", i);
    if (i < kTop * kSub) fs::create_directories(src / folder);
    PendingFile file;
    add_8bit(&file, &random, 16);
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
