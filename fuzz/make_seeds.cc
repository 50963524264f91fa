// Writes the fuzzer's seed inputs into the folder named on the command line:
//   make_seeds CORPUS_FOLDER
#include <cstdio>
#include <string>

#include "seeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds CORPUS_FOLDER\n");
    return 1;
  }
  for (const Seed& seed : make_seeds()) {
    std::string path = std::string(argv[1]) + "/" + seed.name + seed.extension;
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), file) == seed.bytes.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
