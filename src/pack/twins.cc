#include "pack/twins.h"

#include <cstdint>

#include "common/ascii.h"
#include "pix/pixel_types.h"

std::string twin_file_name(std::string_view name) {
  std::string other(name);
  if (ends_with_any_case(name, ".P16")) return other.replace(other.size() - 2, 2, "08");
  if (ends_with_any_case(name, ".P08")) return other.replace(other.size() - 2, 2, "16");
  return "";
}

bool is_sixteen_bit_name(std::string_view name) { return ends_with_any_case(name, ".P16"); }

size_t find_twin(const OldTexture& texture, std::span<const OldTexture> eight) {
  for (size_t i = 0; i < eight.size(); ++i) {
    const PixHeader& twin = eight[i].header;
    if ((eight[i].splat_pack || twin.PixType == kPixType8Bit) && twin.name == texture.header.name &&
        twin.width == texture.header.width && twin.height == texture.header.height)
      return i;
  }
  return SIZE_MAX;
}

TwinPlan plan_twins(std::span<const uint8_t> old16, std::span<const uint8_t> built16,
                    const std::vector<bool>& differing16, std::span<const uint8_t> old8,
                    const std::vector<bool>& differing8, bool rewrite) {
  std::vector<OldTexture> sixteen, built, eight;
  read_old_textures(old16, &sixteen);
  read_old_textures(built16, &built);
  read_old_textures(old8, &eight);
  TwinPlan plan;
  plan.from.assign(eight.size(), SIZE_MAX);
  for (size_t i = 0; i < sixteen.size() && i < built.size() && i < differing16.size(); ++i) {
    const OldTexture& texture = sixteen[i];
    if (!differing16[i] || built[i].header.name != texture.header.name || texture.splat_pack ||
        find_pixel_type(texture.header.PixType) == nullptr)
      continue;
    const size_t twin = find_twin(texture, eight);
    if (twin == SIZE_MAX || plan.from[twin] != SIZE_MAX) continue;
    const std::string name(texture.header.name);
    if (twin < differing8.size() && differing8[twin]) {
      if (rewrite) plan.own_image.push_back(name);
    } else if (rewrite) {
      plan.from[twin] = i;
    } else {
      plan.drifting.push_back(name);
    }
  }
  return plan;
}
