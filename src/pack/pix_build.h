// A whole PIX file built in memory from its images, over the PIX file it
// replaces: what the packer does with each folder of images, apart from
// reading and writing files, so that the fuzzer runs it as the packer does.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "image/image_file.h"
#include "pack/old_pix.h"
#include "pack/texture_build.h"
#include "pack/texture_files.h"

struct PixBuild {
  std::vector<OldTexture> old;
  // The file name velmire gives each old texture (without the number and
  // the added extension): its name as file names hold it, or no_name,
  // no_name_02, ... counted through the file.
  std::vector<std::string> old_stems;
  PixOutput* output = nullptr;
  std::vector<uint8_t> alpha_rows;  // an image's rows with the alpha of the texture it replaces
};

// Starts a file in `output` with the signature; `old_file` is the loaded
// PIX file it replaces (empty: none), which must outlive the build. False
// when the memory cannot be had.
bool start_pix_build(std::span<const uint8_t> old_file, PixOutput* output, PixBuild* build);

// Adds the texture of the image `file`, the `index`th (0 for the first),
// whose bytes are `image_file`; *name receives the texture's name. A
// texture that replaces none takes the type added_texture_type gives it,
// and every texture its alpha as take_alpha says. Returns true, or false
// with `problem` set.
bool add_texture_image(PixBuild* build, size_t index, const TextureFile& file, std::span<const uint8_t> image_file,
                       ImageBuffers* buffers, const TextureContext& context, PackedTexture* packed, std::string* name,
                       std::string* problem);

// Adds the old texture `index` (an 8-bit twin) rebuilt from the image of
// its 16-bit twin `sixteen`, whose bytes are `image_file`: the image's
// alpha as `sixteen` takes it, then the rules of 8-bit textures. Returns
// true, or false with `problem` set.
bool add_twin_image(PixBuild* build, size_t index, const OldTexture& sixteen, std::span<const uint8_t> image_file,
                    ImageBuffers* buffers, const TextureContext& context, PackedTexture* packed, std::string* problem);
