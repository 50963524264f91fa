// Carmageddon 2 keeps most textures twice: 16-bit in a P16 file for its
// hardware renderer, 8-bit in the P08 file beside it for its software one
// (pixies.P16 and pixies.P08 in one TWT archive, or X.P16 and X.P08 in one
// folder). A texture of the P16 file rewritten from an edited image has a
// twin: the 8-bit texture of the same name and size in the P08 file. With
// -twins the twin is rewritten from the same image; without it, a twin
// left behind is named in a warning.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pack/old_pix.h"

// The name of the other file of a pair: X.P08 for X.P16, X.P16 for X.P08
// (the extension's letters in either case); "" for any other name.
std::string twin_file_name(std::string_view name);

// Whether the name is that of a pair's 16-bit file, X.P16 in any case.
bool is_sixteen_bit_name(std::string_view name);

// The twin of the 16-bit texture `texture` among the textures of the P08
// file: the first 8-bit one (a Splat Pack one too) of the same name and the
// same size. SIZE_MAX for none.
size_t find_twin(const OldTexture& texture, std::span<const OldTexture> eight);

// What becomes of the twins of a pair's edited 16-bit textures.
struct TwinPlan {
  // For each texture of the P08 file, the number (from 0) of the 16-bit
  // texture from whose image it is rewritten, or SIZE_MAX.
  std::vector<size_t> from;
  std::vector<std::string> drifting;  // without -twins: edited 16-bit textures whose twins were not
  std::vector<std::string> own_image;  // with -twins: twins whose own images were edited too, and win
};

// The plan for the P16 file `old16`, rebuilt as `built16` (`differing16`:
// for each texture built, whether it is not the old one), and its P08 file
// `old8`, whose textures `differing8` were rebuilt from edited images of
// their own. A 16-bit texture counts as edited when it kept its name and
// its texture differs; its twin is that of its old texture. With `rewrite`
// (-twins) each such twin is rewritten, unless its own image was edited too.
TwinPlan plan_twins(std::span<const uint8_t> old16, std::span<const uint8_t> built16,
                    const std::vector<bool>& differing16, std::span<const uint8_t> old8,
                    const std::vector<bool>& differing8, bool rewrite);
