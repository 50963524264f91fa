// The whole pack path in memory, as the pack fuzzer runs it and the test
// that replays its findings. An input is an old PIX
// file and the images of its textures, each part after the line
// "--velmire--": an image part is its file name's stem, a line break, then
// the image file's bytes. They become a new PIX file as velmire-pack builds
// it, which, when every image was taken, must decode to one texture per
// image, named as built, and compare with the old file as its textures do:
// the same as itself, and as the old file only when it holds as many.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Runs one input; returns an empty string when every outcome holds, else
// what is wrong.
std::string check_pack_input(std::span<const uint8_t> input);
