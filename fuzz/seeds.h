// The fuzzer's seed inputs: small PIX files, built with the test PIX writer,
// that between them reach every kind of texture, every naming mode and every
// way a file can end the scan. Each ends in one byte past its last block,
// which the scan passes over and the fuzzer reads as the options. The names
// of those that end a whole walk start with "zz-", so that a walk over all of
// them, each in a folder of its own, reaches every other one first. Those
// whose names start with "c2-" are for "-c2": BRender 1.2's blocks and
// types, and TWT archives, whose last member holds the options byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Seed {
  std::string name;
  std::vector<uint8_t> bytes;
  std::string extension = ".pix";  // of its file name
};

std::vector<Seed> make_seeds();
