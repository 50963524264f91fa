// The image readers run over one fuzzer input with the checks the fuzzer
// applies; shared by the fuzzer and the test that replays its findings.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Runs read_image on a heap copy of exactly the input's size, so that a read
// past its end is caught, and again with the CRC of each chunk corrected when
// the input begins like a PNG, so that mutated chunks get past libpng's CRC
// check. Returns an empty string when every outcome holds (a problem text on
// failure; on success sides of 1 to 65535, rows of at least width pixels, a
// palette of at most 256 entries exactly for indexed images, a kind fitting
// the format, a PNG's pixels within decoded_bytes_limit; run-length BMP
// pixels are bounded by the pixel limit alone), else what is wrong.
std::string check_image_input(std::span<const uint8_t> input);

// The pixels read_image decodes from `input`, as fuzz/image-seeds/pixels.txt
// holds them for each seed: "WIDTHxHEIGHT" and then each pixel's red,
// green, blue and alpha in hex ("ff0000ff"), top row first, separated by
// spaces ("?" and the index in hex for an index past the colour table); or
// "refused: " and the problem.
std::string decoded_pixels(std::span<const uint8_t> input);

// Compares the pixels of every seed in the folder `seeds` with its line in
// the file `expected` (fuzz/image-seeds.txt). Returns an empty string, or
// what differs.
std::string check_seed_pixels(const std::string& seeds, const std::string& expected);
