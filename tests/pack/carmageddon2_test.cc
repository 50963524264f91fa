// Carmageddon 2's round trip as a modder makes it, on the small game
// write_c2_game makes: velmire extracts it with -c2, images are edited,
// re-saved, deleted or added, and velmire-pack's status, messages, report
// and files are checked. That an unedited pack writes nothing is
// pack_test's.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "pack/old_pix.h"
#include "pack/pack_run.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// Member `index` of a TWT archive, read here apart from the program's code.
Bytes member(const Bytes& archive, size_t index) {
  size_t at = 8 + 56 * size_t{le32(&archive[4])};
  for (size_t i = 0; i < index; ++i) at = (at + le32(&archive[8 + 56 * i]) + 3) / 4 * 4;
  return Bytes(archive.begin() + static_cast<ptrdiff_t>(at),
               archive.begin() + static_cast<ptrdiff_t>(at + le32(&archive[8 + 56 * index])));
}

Bytes pixels(const Bytes& pix, size_t texture) {
  std::vector<OldTexture> textures;
  read_old_textures(pix, &textures);
  return Bytes(textures.at(texture).image.pixels.begin(), textures.at(texture).image.pixels.end());
}

// The header of texture `texture` (its name refers into `pix`); the count
// of textures for SIZE_MAX.
PixHeader header(const Bytes& pix, size_t texture) {
  std::vector<OldTexture> textures;
  read_old_textures(pix, &textures);
  if (texture == SIZE_MAX) return PixHeader{.width = static_cast<uint16_t>(textures.size()), .name = {}};
  return textures.at(texture).header;
}

// The 52 name bytes of each entry of an archive's table.
Bytes names(const Bytes& archive) {
  Bytes names;
  for (size_t i = 0; i < le32(&archive[4]); ++i) names.insert(names.end(), &archive[12 + 56 * i], &archive[64 + 56 * i]);
  return names;
}

// The colour table of an 8-bit BMP velmire wrote, as 0xRRGGBB.
Pixels table_of(const Bytes& bmp) {
  Pixels table;
  for (size_t i = 0; i < 256; ++i) table.push_back(uint32_t{bmp[56 + 4 * i]} << 16 | bmp[55 + 4 * i] << 8 | bmp[54 + 4 * i]);
  return table;
}

// The index of 1 to 255 nearest `rgb` by 2 dR² + 4 dG² + 3 dB², the lowest
// of equal ones; 0 for alpha below 128.
uint8_t twin_index(const Pixels& table, uint32_t argb) {
  if (argb >> 24 < 128) return 0;
  int64_t best = INT64_MAX;
  uint8_t index = 1;
  for (uint32_t i = 1; i < 256; ++i) {
    auto d = [&](int shift) { return int64_t{argb >> shift & 255} - int64_t{table[i] >> shift & 255}; };
    const int64_t distance = 2 * d(16) * d(16) + 4 * d(8) * d(8) + 3 * d(0) * d(0);
    if (distance < best) best = distance, index = static_cast<uint8_t>(i);
  }
  return index;
}

struct Game {
  fs::path images, game, src;
  fs::path p16(const char* file) const { return images / "CARS" / "EAGLE.TWT" / "pixies.P16" / file; }
  fs::path p08(const char* file) const { return images / "CARS" / "EAGLE.TWT" / "pixies.P08" / file; }
  Bytes archive() const { return read_file(game / "CARS" / "EAGLE.TWT"); }
  Bytes old_archive() const { return read_file(src / "CARS" / "EAGLE.TWT"); }
};

// GLASS as velmire decodes it: red and green at alpha 255 and 0, then
// white, red, green and blue at alpha 136 (8 of 15).
const Pixels kGlass = {0xFFFF0000, 0x00FF0000, 0xFF00FF00, 0x0000FF00, 0x88FFFFFF, 0x88FF0000, 0x8800FF00, 0x880000FF};
const Pixels kGlassRgb = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
// A new GLASS: holes at alpha 0 and 127, colours from alpha 128 on.
const Pixels kNewGlass = {0x00FF0000, 0x7F10E020, 0x80FA0A0A, 0xFF0AF014, 0xFFC8C8C8, 0xFF1414E6, 0xFF804020, 0xFF203040};

TEST(Carmageddon2, EditsComeBackAsAModderExpects) {
  struct Case {
    const char* what;
    std::vector<std::string> options;  // velmire-pack's, after -r
    std::function<void(const Game&)> edit;
    int status;
    std::string message;  // in standard error ("" for none at all)
    std::function<void(const Game&, const std::string& out)> check;  // without it: every file as it was
  };
  auto alpha_kept = [](const Game& g, const std::string& out) {
    EXPECT_NE(out.find("2B: EAGLE.TWT/pixies.P16 (GLASS) <-- 0002. GLASS.BMP, alpha kept from the PIX file\n"), std::string::npos) << out;
    EXPECT_EQ(g.archive(), g.old_archive());
  };
  const Case cases[] = {
      {"a PIL re-save of GLASS: alpha in the fourth bytes of a BI_RGB file", {},
       [](const Game& g) { write_file(g.p16("0002. GLASS.BMP"), bmp_file(4, 2, 32, kGlass)); }, 0, "", nullptr},
      {"a 24-bit re-save of GLASS", {}, [](const Game& g) { write_file(g.p16("0002. GLASS.BMP"), bmp_file(4, 2, 24, kGlassRgb)); },
       0, "", alpha_kept},
      {"a 32-bit re-save of GLASS whose fourth bytes are all 0", {},
       [](const Game& g) { write_file(g.p16("0002. GLASS.BMP"), bmp_file(4, 2, 32, kGlassRgb)); }, 0, "", alpha_kept},
      {"a 24-bit re-save of GLASS at another size", {},
       [](const Game& g) { write_file(g.p16("0002. GLASS.BMP"), bmp_file(8, 4, 24, Pixels(32, 0xFF0000))); }, 2,
       "0002. GLASS.BMP: the texture GLASS has alpha, and this image has none at another size (8 x 4, the texture 4 x 2): "
       "re-save it with its alpha, as a 32-bit BMP with an alpha mask or as an RGBA PNG", nullptr},
      {"the last image deleted", {}, [](const Game& g) { fs::remove(g.p16("0003. SCRN.BMP")); }, 2,
       "EAGLE.TWT is left as it was: EAGLE.TWT/pixies.P16 holds textures after its last image, which would be dropped: "
       "3 (SCRN). Put their images back, or pack with -drop to leave them out", nullptr},
      {"the last image deleted, with -drop", {"-drop"}, [](const Game& g) { fs::remove(g.p16("0003. SCRN.BMP")); }, 0, "",
       [](const Game& g, const std::string& out) {
         EXPECT_NE(out.find("2B: EAGLE.TWT/pixies.P16 (SCRN) dropped, no image numbered 3\n"), std::string::npos) << out;
         EXPECT_EQ(header(member(g.archive(), 0), SIZE_MAX).width, 2) << "textures left";
       }},
      {"BODY painted grey, without -twins", {}, [](const Game& g) { write_file(g.p16("0001. BODY.BMP"), bmp_file(4, 2, 24, Pixels(8, 0x808080))); },
       0, "the 8-bit twins in pixies.P08 of textures edited in pixies.P16 now differ from them: BODY. To rewrite them from the same images, pack with -twins into a copy of the game's own files\n",
       [](const Game& g, const std::string&) {
         const Bytes now = g.archive(), before = g.old_archive();
         EXPECT_EQ(member(now, 1), member(before, 1)) << "the other member byte for byte";
         EXPECT_EQ(names(now), names(before)) << "0xCD after each name";
         const Bytes body = member(now, 0);
         EXPECT_EQ(Bytes(body.begin() + 20, body.begin() + 24), (Bytes{0, 0, 0, 18})) << "a true length word";
         EXPECT_EQ(pixels(body, 0), (Bytes{0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10}));
       }},
      {"an opaque image and a see-through one added", {},
       [](const Game& g) {
         write_file(g.p16("0004. NEWTEX.BMP"), bmp_file(6, 4, 24, Pixels(24, 0x336699)));
         write_file(g.p16("0005. SEE.BMP"), bmp_file(6, 4, 32, Pixels(24, 0xFE336699)));
       }, 0, "",
       [](const Game& g, const std::string&) {
         const PixHeader opaque = header(member(g.archive(), 0), 3), see_through = header(member(g.archive(), 0), 4);
         EXPECT_EQ(std::tuple(opaque.PixType, opaque.kind, opaque.origin_x, opaque.origin_y), std::tuple(5, 0x3D, 3, 2));
         EXPECT_EQ(std::tuple(see_through.PixType, see_through.kind), std::tuple(18, 0x3D));
       }},
      {"GLASS and the loose ARROW edited, with -twins; no images of pixies.P08", {"-twins"},
       [](const Game& g) {
         fs::remove_all(g.p08(""));
         write_file(g.p16("0002. GLASS.BMP"), bmp_file(4, 2, 32, kNewGlass));
         write_file(g.images / "PIXELMAP" / "HUD.P16" / "0001. ARROW.BMP", bmp_file(2, 1, 24, {0x102030, 0xF0E0D0}));
       }, 0, "",
       [](const Game& g, const std::string& out) {
         const Pixels table = table_of(read_file(g.images / "PIXELMAP" / "HUD.P08" / "0001. ARROW.BMP"));
         Bytes glass, arrow = {twin_index(table, 0xFF102030), twin_index(table, 0xFFF0E0D0)};
         for (uint32_t argb : kNewGlass) glass.push_back(twin_index(table, argb));
         EXPECT_EQ(pixels(member(g.archive(), 1), 1), glass);
         EXPECT_EQ(pixels(read_file(g.game / "PIXELMAP" / "HUD.P08"), 0), arrow);
         EXPECT_EQ(pixels(member(g.archive(), 1), 0), pixels(member(g.old_archive(), 1), 0)) << "BODY's twin as it was";
         EXPECT_NE(out.find("NO: EAGLE.TWT/pixies.P08 (GLASS) <-- twin: pixies.P16/0002. GLASS.BMP, "), std::string::npos) << out;
         EXPECT_NE(out.find("NO: HUD.P08 (ARROW) <-- twin: HUD.P16/0001. ARROW.BMP, "), std::string::npos) << out;
       }},
      {"BODY and its twin's own image edited, with -twins", {"-twins"},
       [](const Game& g) {
         write_file(g.p16("0001. BODY.BMP"), bmp_file(4, 2, 24, Pixels(8, 0x808080)));
         write_file(g.p08("0001. BODY.BMP"), bmp_file(4, 2, 8, Pixels(8, 9), table_of(read_file(g.p08("0001. BODY.BMP")))));
       }, 0, "EAGLE.TWT/pixies.P08 (BODY): its own image was edited too, and is packed rather than its twin's in pixies.P16\n",
       [](const Game& g, const std::string&) { EXPECT_EQ(pixels(member(g.archive(), 1), 0), Bytes(8, 9)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Game g{dir.path / "images", dir.path / "game", dir.path / "src"};
    write_c2_game(g.src);
    ASSERT_EQ(run_velmire({g.src.string(), g.images.string(), "-racepal", "-r", "-c2"}).err, "");
    fs::copy(g.src, g.game, fs::copy_options::recursive);
    c.edit(g);
    std::vector<std::string> arguments = {g.images.string(), g.game.string(), "-racepal", "-r"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const RunResult result = run_program(run_pack, "velmire-pack", arguments);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_TRUE(c.message.empty() ? result.err.empty() : result.err.find(c.message) != std::string::npos) << result.err;
    if (c.check) {
      c.check(g, result.out);
      continue;
    }
    EXPECT_NE(result.out.find("PIX files written:                           0\n"), std::string::npos) << result.out;
    for (const char* name : {"CARS/EAGLE.TWT", "PIXELMAP/HUD.P16", "PIXELMAP/HUD.P08"})
      EXPECT_EQ(read_file(g.game / name), read_file(g.src / name)) << name;
  }
}

}  // namespace
