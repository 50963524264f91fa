// libFuzzer target: the whole pack path in memory (see pack_input_run.h),
// failing on what check_pack_input finds beyond the sanitizers' reports.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pack_input_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = check_pack_input({data, size});
  if (!problem.empty()) {
    std::fprintf(stderr, "pack_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
