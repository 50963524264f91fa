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
