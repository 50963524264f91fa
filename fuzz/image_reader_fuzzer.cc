// libFuzzer target: each input is a whole BMP or PNG file for read_image,
// checked by check_image_input beyond what the sanitizers report.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image_reader_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = check_image_input({data, size});
  if (!problem.empty()) {
    std::fprintf(stderr, "image_reader_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
