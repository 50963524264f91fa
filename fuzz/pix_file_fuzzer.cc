// libFuzzer target: each input is the whole content of one PIX file, run
// through the per-file path of the folder walk (texture sequence, names,
// BMP assembly and writing, report) into a scratch destination folder, its
// last byte choosing the options (see fuzz_one_input). Beyond what the
// sanitizers report, an input fails when the run leaves anything outside
// the destination, a file larger than the input justifies, or a changed
// PIX file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "pix_file_run.h"

namespace fs = std::filesystem;

namespace {

std::string scratch_root;  // emptied after every input
FILE* sink = nullptr;      // the report and the messages
ScratchBuffers buffers;    // kept from one input to the next, as in a run

void remove_scratch() {
  std::error_code ignored;
  fs::remove_all(scratch_root, ignored);
}

// Memory-backed when the system has it: every input writes files.
std::string scratch_parent() {
  std::error_code ignored;
  if (fs::is_directory("/dev/shm", ignored) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
  return fs::temp_directory_path().string();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "pix_file_fuzzer: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = scratch_parent() + "/velmire-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) fail("cannot create a scratch folder at " + pattern);
  scratch_root = pattern;
  std::atexit(remove_scratch);
  sink = std::fopen("/dev/null", "w");
  if (sink == nullptr) fail("cannot open /dev/null");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string problem = fuzz_one_input({data, size}, scratch_root, sink, sink, &buffers);
  if (!problem.empty()) fail(problem);
  // Every input starts from an empty scratch folder, which never grows.
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(scratch_root, error))
    fs::remove_all(entry.path(), error);
  if (error) fail("cannot empty " + scratch_root + ": " + error.message());
  return 0;
}
