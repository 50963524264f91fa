// The path the folder walk takes for one PIX file once its bytes are loaded
// (texture sequence, names, BMP assembly, writing and report), run over one
// fuzzer input with the checks the fuzzer applies. Shared by the fuzzer and
// the test that replays its findings, so that both do exactly the same.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "common/byte_buffer.h"

// Where the destination folder lies below the scratch folder: a few
// folders deep, so that a name climbing out of it lands where the checks
// see it.
inline constexpr const char* kFuzzDestination = "up3/up2/up1/dst";

// The PIX file's name in its folder; in folder mode it names the BMP files'
// subfolder, in file mode it starts their names.
inline constexpr const char* kFuzzEntryName = "FUZZ.PIX";

// Runs one input as the whole content of a PIX file, as the walk does once
// the file is loaded (including an input that does not begin with the
// signature, which the walk would pass over), or with "-c2" an input that
// does not begin with it as a TWT archive, with the report going to `out`
// and the messages to `err`. The input's last byte chooses the options and
// the palette: a zero byte gives the defaults; bit 0 "-file", bit 1
// "-noenum", bit 2 "-nopixpackname" with "-file" and "-c2" without it, bits
// 3-4 the extension mode counted down from "-extaddbmp", bit 5 "-topdown",
// bit 6 "-racepal", bit 7 "-png -transparent -ownpal".
//
// Before the run it makes the destination folder at kFuzzDestination under
// `root` (an empty folder) and puts PIX files where a texture called GO.PIX
// lands with bare names, in file and in folder mode. The input is copied
// into a heap block of exactly its size, so that a read past its end is
// caught; the images are built in `scratch`, which the caller keeps from
// one input to the next as a run keeps it from one file to the next.
// Returns an empty string when the run left nothing wrong (see
// check_outputs, and the planted PIX files must be as they were),
// otherwise what is wrong. The caller empties `root` after.
std::string fuzz_one_input(std::span<const uint8_t> input, const std::string& root, FILE* out,
                           FILE* err, ScratchBuffers* scratch);

// Checks what a run left under `root`: nothing but the folders down to the
// destination at kFuzzDestination and what lies inside it, and no file
// larger than three times a BMP header, a palette and all `input_size`
// bytes of the PIX file. Returns an empty string, or what is wrong.
std::string check_outputs(const std::string& root, size_t input_size);
