// Replays fuzzer inputs as the fuzzers run them: the PIX fuzzer's seeds and
// every finding recorded under tests/regressions/inputs through the per-file
// path, the image readers' findings under tests/regressions/image-inputs,
// and the pack fuzzer's under tests/regressions/pack-inputs.
// In the sanitizer build a finding that comes back fails here as it failed
// there.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image_reader_run.h"
#include "pack_input_run.h"
#include "pix_file_run.h"
#include "seeds.h"
#include "test_support.h"

namespace {

// One run's buffers for every replay, as the fuzzer keeps them.
ScratchBuffers buffers;

std::string replay(const std::vector<uint8_t>& input) {
  TempDir dir;
  FILE* out = scratch_stream();
  FILE* err = scratch_stream();
  std::string problem = fuzz_one_input(input, dir.str(), out, err, &buffers);
  read_and_close(out);
  read_and_close(err);
  return problem;
}

TEST(FuzzReplay, SeedsAndRecordedFindingsRunCleanly) {
  size_t inputs = 0;
  for (const Seed& seed : make_seeds()) {
    EXPECT_EQ(replay(seed.bytes), "") << seed.name;
    ++inputs;
  }
  for (const auto& entry : fs::directory_iterator(fs::path(VELMIRE_TEST_DATA) / "regressions" / "inputs")) {
    if (entry.path().extension() != ".pix") continue;
    EXPECT_EQ(replay(read_file(entry.path())), "") << entry.path();
    ++inputs;
  }
  EXPECT_GT(inputs, 20u);
}

TEST(FuzzReplay, ImageSeedsAndRecordedFindingsReadCleanly) {
  const fs::path fuzz = fs::path(VELMIRE_SOURCE_DIR) / "fuzz";
  EXPECT_EQ(check_seed_pixels((fuzz / "image-seeds").string(), (fuzz / "image-seeds.txt").string()), "");
  for (const fs::path& folder : {fs::path(VELMIRE_TEST_DATA) / "regressions" / "image-inputs",
                                fs::path(VELMIRE_SOURCE_DIR) / "fuzz" / "image-seeds"})
    for (const auto& entry : fs::directory_iterator(folder))
      EXPECT_EQ(check_image_input(read_file(entry.path())), "") << entry.path();
}

TEST(FuzzReplay, PackFindingsPackCleanly) {
  for (const auto& entry : fs::directory_iterator(fs::path(VELMIRE_TEST_DATA) / "regressions" / "pack-inputs"))
    EXPECT_EQ(check_pack_input(read_file(entry.path())), "") << entry.path();
}

}  // namespace
