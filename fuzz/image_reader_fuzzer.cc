// libFuzzer target: each input is a whole BMP or PNG file for read_image,
// checked by check_image_input beyond what the sanitizers report.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image_reader_run.h"

// The seeds' pixels are checked once, before the first input: a reader that
// decodes wrongly without crashing is found too.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string fuzz = VELMIRE_FUZZ_DIR;
  const std::string problem = check_seed_pixels(fuzz + "/image-seeds", fuzz + "/image-seeds.txt");
  if (!problem.empty()) {
    std::fprintf(stderr, "image_reader_fuzzer: seeds read wrongly:\n%s", problem.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = check_image_input({data, size});
  if (!problem.empty()) {
    std::fprintf(stderr, "image_reader_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
