// Replays fuzzer inputs through the per-file path the fuzzer runs: its
// seeds, and every finding recorded under tests/regressions/inputs. In the
// sanitizer build a finding that comes back fails here as it failed there.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "pix_file_run.h"
#include "seeds.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Replay {
  std::string out;
  std::string err;
  std::string problem;  // what the fuzzer's checks found wrong
};

// One run's buffers for every replay, as the fuzzer keeps them.
ScratchBuffers buffers;

Replay replay(const Bytes& input) {
  TempDir dir;
  FILE* out = scratch_stream();
  FILE* err = scratch_stream();
  if (out == nullptr || err == nullptr) throw std::runtime_error("no scratch stream for the output");
  Replay result;
  result.problem = fuzz_one_input(input, dir.str(), out, err, &buffers);
  result.out = read_and_close(out);
  result.err = read_and_close(err);
  return result;
}

// Every finding kept under tests/regressions/inputs (named *.pix).
std::vector<fs::path> recorded_findings() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(VELMIRE_TEST_DATA) / "regressions" / "inputs"))
    if (entry.is_regular_file() && entry.path().extension() == ".pix") files.push_back(entry.path());
  return files;
}

TEST(FuzzReplay, SeedsAndRecordedFindingsRunCleanly) {
  size_t inputs = 0;
  for (const Seed& seed : make_seeds()) {
    EXPECT_EQ(replay(seed.bytes).problem, "") << seed.name;
    ++inputs;
  }
  for (const fs::path& file : recorded_findings()) {
    EXPECT_EQ(replay(read_file(file)).problem, "") << file;
    ++inputs;
  }
  EXPECT_GT(inputs, 20u);
}

// The seeds are where the fuzzer starts: between them they must reach every
// kind of texture, every naming mode and every way a scan ends, or the
// fuzzer would have to find those on its own.
TEST(FuzzReplay, SeedsReachEveryTextureKindAndEveryEnding) {
  std::string all;
  for (const Seed& seed : make_seeds()) {
    Replay result = replay(seed.bytes);
    all += result.out + result.err;
  }
  const std::string expected[] = {
      // The four kinds, each named in folder mode and in file mode.
      "3B: FUZZ.PIX (rgb) --> FUZZ.PIX - 0001. rgb.bmp\n",
      "4B: FUZZ.PIX (xrgb.pix) --> xrgb.pix\n",
      "SP: FUZZ.PIX (splat) --> 0003. splat.bmp\n",
      "NO: FUZZ.PIX (GO.PIX) --> 0006. GO.PIX.BMP\n",
      "SP: FUZZ.PIX (TARGET.PIX) --> 0001. TARGET.PIX.BMP\n",
      // Nameless textures, counted; rows without padding.
      "NO: FUZZ.PIX () --> 0004. no_name.bmp\n",
      "NO: FUZZ.PIX () --> 0005. no_name_02.bmp\n",
      "!NO: FUZZ.PIX (odd8) --> 0001. odd8.bmp\n",
      "3B: FUZZ.PIX (rows-split-pixels) --> 0002. rows-split-pixels.bmp\n",
      "!4B: FUZZ.PIX (odd32) --> 0003. odd32.bmp\n",
      // Every way a file ends early.
      "Unsupported splat pack texture\n",
      "(gold15): Unknown PixType field, is 4",
      "(huge): pixel data does not fit the file\n",
      "Truncated block in file",
      "Unknown header byte, must be 00 00 00 03 or 00 00 00 21. File",
      "Unknown texture order, must be a 12 type or 1122 type\n",
      "the output path is too long",
      "dst" + sep() + ".. for writing",
      // The PIX files planted where bare names put a texture called GO.PIX.
      "dst" + sep() + "GO.PIX for writing: it is a PIX file, which is never replaced",
      "FUZZ.PIX" + sep() + "GO.PIX for writing: it is a PIX file, which is never replaced",
  };
  for (const std::string& text : expected) EXPECT_NE(all.find(text), std::string::npos) << text;
}

}  // namespace
