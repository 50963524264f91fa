// The packer's rules for one texture, at their edges, on images and old
// textures given as literal pixels: where transparency begins, and that an
// edit anywhere in a picture with mip levels is seen.
#include "pack/texture_build.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A grey ramp, entry i being (i, i, i), so that a colour's index is its value.
PaletteTable grey_ramp() {
  PaletteTable table{};
  for (size_t i = 0; i < kPaletteEntries; ++i)
    table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<uint8_t>(i);
  return table;
}

struct Packer {
  PaletteTable table = grey_ramp();
  RunPalettes palettes{&table, "ramp.pal", {}};
  ColourMatch run_colours, own_colours;
  TextureContext context{&palettes, &run_colours, &own_colours, 1u << 20};
  PixOutput output;
  PackedTexture packed;
  Packer() { set_colour_match(&run_colours, table); }
  ~Packer() { release_bytes(&output.buffer); }

  // The pixel bytes of the texture packed from `rgba` (rows of `height`)
  // over `old`, or the problem.
  std::string pack(const Bytes& rgba, uint32_t height, const OldTexture* old, Bytes* pixels, AddedType added = {}) {
    DecodedImage image;
    image.kind = PixelKind::rgba;
    image.width = static_cast<uint32_t>(rgba.size() / 4 / height);
    image.height = height;
    image.top_row = rgba.data();
    image.row_step = image.row_bytes = image.width * 4;
    output.size = 0;
    packed = {};
    std::string problem;
    if (!append_texture(image, "t", old, added, context, &output, &packed, &problem)) return problem;
    // The pixels end 8 bytes (the end block) before the texture does.
    const uint32_t bytes = old != nullptr ? old->header.row_bytes * height : image.width * height;
    pixels->assign(output.buffer.bytes + output.size - 8 - bytes, output.buffer.bytes + output.size - 8);
    return "";
  }
};

OldTexture old_texture(uint8_t type, uint16_t width, uint16_t height, uint16_t row_bytes, const Bytes& pixels,
                       uint16_t mip_offset = 0) {
  OldTexture old;
  old.header.kind = 0x3D;
  old.header.PixType = type;
  old.header.width = width, old.header.height = height, old.header.row_bytes = row_bytes;
  old.header.mip_offset = mip_offset;
  old.header.name = "t";
  old.image.element_size = type == 3 ? 1 : 2;
  old.image.element_count = static_cast<uint32_t>(pixels.size() / old.image.element_size);
  old.image.pixels = pixels;
  return old;
}

TEST(TextureBuild, TransparencyBeginsBelowAlpha128AndTiesTakeTheLowestIndex) {
  // Grey 50 at alpha 127, 128 and 129: index 0 (a hole) only for the first.
  const Bytes rgba = {50, 50, 50, 127, 50, 50, 50, 128, 50, 50, 50, 129};
  Packer packer;
  Bytes pixels;
  const Bytes indices = {9, 9, 9};
  const OldTexture indexed = old_texture(3, 3, 1, 3, indices);
  ASSERT_EQ(packer.pack(rgba, 1, &indexed, &pixels), "");
  EXPECT_EQ(pixels, (Bytes{0, 50, 50}));
  // 1-5-5-5 keeps the bit from 128 on; 4-4-4-4 takes the nearest of 16
  // levels: 127 is nearer 7 (119), 128 nearer 8 (136).
  const Bytes stored(6, 0);
  const OldTexture a1 = old_texture(31, 3, 1, 6, stored), a4 = old_texture(32, 3, 1, 6, stored);
  ASSERT_EQ(packer.pack(rgba, 1, &a1, &pixels), "");
  EXPECT_EQ(pixels, (Bytes{0x18, 0xC6, 0x98, 0xC6, 0x98, 0xC6}));
  ASSERT_EQ(packer.pack(rgba, 1, &a4, &pixels), "");
  EXPECT_EQ(pixels, (Bytes{0x73, 0x33, 0x83, 0x33, 0x83, 0x33}));
  // Of entries equally near a colour, the lowest index: 200 is 100 again.
  packer.table[800] = packer.table[801] = packer.table[802] = 100;
  set_colour_match(&packer.run_colours, packer.table);
  const Bytes nine = {9};
  const OldTexture one = old_texture(3, 1, 1, 1, nine);
  ASSERT_EQ(packer.pack({101, 100, 100, 255}, 1, &one, &pixels), "");
  EXPECT_EQ(pixels, Bytes{100});
}

TEST(TextureBuild, ARunOfEqualPixelsInAnAddedTextureCountsEachInexactPixel) {
  // (20, 20, 21) is nearest grey 20 but not in the ramp: three of it, two
  // exact greys, then one more.
  const Bytes rgba = {20, 20, 21, 255, 20, 20, 21, 255, 20, 20, 21, 255, 50, 50, 50, 255, 50, 50, 50, 255, 20, 20, 21, 255};
  Packer packer;
  Bytes pixels;
  ASSERT_EQ(packer.pack(rgba, 1, nullptr, &pixels, AddedType{kPixType8Bit}), "");
  EXPECT_EQ(pixels, (Bytes{20, 20, 20, 50, 50, 20}));
  EXPECT_EQ(packer.packed.inexact_pixels, 4u);
}

TEST(TextureBuild, AnEditInAnyRowOfAPictureWithMipLevelsIsSeen) {
  // 5-6-5, 2 x 2: white, black / red, green; then its 1 x 1 level.
  const Bytes stored = {0xFF, 0xFF, 0x00, 0x00, 0xF8, 0x00, 0x07, 0xE0, 0x12, 0x34};
  const OldTexture old = old_texture(5, 2, 2, 4, stored, 8);
  const Bytes picture = {255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
  Packer packer;
  Bytes pixels;
  ASSERT_EQ(packer.pack(picture, 2, &old, &pixels), "");
  EXPECT_EQ(Bytes(packer.output.buffer.bytes + packer.output.size - 18, packer.output.buffer.bytes + packer.output.size - 8),
            stored) << "the unchanged picture brings its mip levels back";
  for (size_t edited : {0, 3}) {  // the first pixel of the first row, the last of the last
    Bytes changed = picture;
    changed[4 * edited + 2] ^= 0xFF;
    EXPECT_NE(packer.pack(changed, 2, &old, &pixels).find("mip levels"), std::string::npos) << edited;
  }
}

}  // namespace
