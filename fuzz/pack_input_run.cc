#include "pack_input_run.h"

#include <string_view>
#include <vector>

#include "pack/pix_build.h"

namespace {

constexpr std::string_view kMarker = "--velmire--\n";

}  // namespace

std::string check_pack_input(std::span<const uint8_t> input_bytes) {
  static RunPalettes palettes{&kRacePalette, "-racepal", {{&kMenuPalette, "-menupal"}}};
  static ColourMatch run_colours, own_colours;
  static ImageBuffers buffers;
  static PixOutput output;
  static PixBuild build;
  if (run_colours.exact.empty()) set_colour_match(&run_colours, kRacePalette);
  const TextureContext context{&palettes, &run_colours, &own_colours, uint64_t{1} << 20};

  std::vector<std::string_view> parts;
  const std::string_view input(reinterpret_cast<const char*>(input_bytes.data()), input_bytes.size());
  for (size_t start = 0;;) {
    const size_t end = input.find(kMarker, start);
    parts.push_back(input.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + kMarker.size();
  }
  // A copy of exactly its size, so that a read past the end is caught.
  const std::vector<uint8_t> old(parts[0].begin(), parts[0].end());
  if (!start_pix_build(old, &output, &build)) return "no memory to start";
  std::vector<std::string> names;
  for (size_t i = 1; i < parts.size(); ++i) {
    const size_t line = parts[i].find('\n');
    if (line == std::string_view::npos || parts[i].substr(0, line).find('\0') != std::string_view::npos) break;
    TextureFile file;
    file.number = static_cast<int32_t>(i);
    file.stem = std::string(parts[i].substr(0, line));
    file.file_name = "0001. " + file.stem + ".bmp";
    const std::vector<uint8_t> image(parts[i].begin() + static_cast<ptrdiff_t>(line) + 1, parts[i].end());
    PackedTexture packed;
    std::string name, problem;
    // A refused image leaves the file unwritten: nothing more to check.
    if (!add_texture_image(&build, i - 1, file, image, &buffers, context, &packed, &name, &problem)) return "";
    names.push_back(name);
  }
  std::vector<OldTexture> built;
  read_old_textures(output_bytes(output), &built);
  if (built.size() != names.size())
    return std::to_string(names.size()) + " textures built, " + std::to_string(built.size()) + " decoded";
  for (size_t i = 0; i < names.size(); ++i)
    if (built[i].header.name != names[i]) return "texture " + std::to_string(i + 1) + " decodes with another name";
  std::vector<OldTexture> old_textures;
  std::vector<bool> differing;
  read_old_textures(old, &old_textures);
  if (!same_textures(output_bytes(output), output_bytes(output))) return "a file differs from itself";
  const bool same = same_textures(old, output_bytes(output), &differing);
  if (differing.size() != names.size()) return "a texture compared twice, or not at all";
  if (same && old_textures.size() != names.size()) return "the same as an old file of other textures";
  return "";
}
