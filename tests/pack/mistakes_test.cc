// The round trip as modders make it, and the mistakes they make, on
// generated games: velmire extracts a small game of each (with -c2 also the
// small Carmageddon 2 that write_c2_game makes), the images are edited,
// re-saved, deleted or added (or the run is given wrongly), and
// velmire-pack's status, messages, report and files are checked. That an
// unedited pack writes nothing is pack_test's.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "pack/old_pix.h"
#include "pack/pack_run.h"
#include "pix_writer.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

// The pixels of texture `texture` of a PIX file.
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

// The colour table of an 8-bit BMP velmire wrote, as 0xRRGGBB.
Pixels table_of(const Bytes& bmp) {
  Pixels table;
  for (size_t i = 0; i < 256; ++i) table.push_back(uint32_t{bmp[56 + 4 * i]} << 16 | bmp[55 + 4 * i] << 8 | bmp[54 + 4 * i]);
  return table;
}

// The colours (or indices) of an 8-bit BMP file velmire wrote, top row first.
Pixels pixels_of(const Bytes& bmp, uint32_t width, uint32_t height, bool colours) {
  const Pixels table = table_of(bmp);
  Pixels pixels;
  for (uint32_t y = height; y-- > 0;)
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t index = bmp[1078 + (width + 3) / 4 * 4 * y + x];
      pixels.push_back(colours ? table[index] : index);
    }
  return pixels;
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

void patch(const fs::path& file, size_t at, std::initializer_list<uint8_t> bytes) {
  Bytes content = read_file(file);
  for (uint8_t b : bytes) content[at++] = b;
  write_file(file, content);
}

const std::string kP16 = "c2/CARS/EAGLE.TWT/pixies.P16/", kP08 = "c2/CARS/EAGLE.TWT/pixies.P08/";

struct Game {
  fs::path images, game, src;
  fs::path hole() const { return images / "A.PIX" / "0001. hole.pix.bmp"; }
  fs::path p16(const char* file) const { return images / (kP16 + file); }
  fs::path p08(const char* file) const { return images / (kP08 + file); }
  Bytes archive() const { return read_file(game / "c2" / "CARS" / "EAGLE.TWT"); }
  Bytes old_archive() const { return read_file(src / "c2" / "CARS" / "EAGLE.TWT"); }
};

// A.PIX: "hole.pix" 4 x 2 with index 0 (a hole) in two places, its origin
// (1, 0); "second" 2 x 1. cars/SP.PIX: a Splat Pack texture with a grey ramp
// of its own. For -c2, C2.PIX: "mip", RGB 565, 2 x 2 and its 1 x 1 mip
// level (its refusal when painted: texture_build_test); "words", RGB 565,
// 2 x 1; and in c2/ write_c2_game's game.
void make_game(const fs::path& src, bool c2) {
  PixFile a = start_pix_file();
  add_texture(&a, kType8Bit, 4, 2, "hole.pix", Bytes{0, 1, 2, 3, 200, 0, 250, 4});
  a.bytes[16 + 15 + 1] = 1, a.bytes[16 + 17 + 1] = 0;
  add_texture(&a, kType8Bit, 2, 1, "second", Bytes{7, 8});
  write_file(src / "A.PIX", a.bytes);
  PixFile sp = start_pix_file();
  add_splat_pack_texture(&sp, 4, 2, "sp.pix", Bytes{0, 10, 20, 30, 40, 50, 60, 70});
  write_file(src / "cars" / "SP.PIX", sp.bytes);
  if (!c2) return;
  PixFile pix = start_pix_file();
  add_header_block(&pix, 5, 4, 2, 2, "mip", kNewerHeader, 8);
  add_pixel_block(&pix, 5, 2, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  add_texture(&pix, 5, 2, 1, "words", Bytes{0, 0, 0, 0}, kNewerHeader);
  write_file(src / "C2.PIX", pix.bytes);
  write_c2_game(src / "c2");
}

// GLASS as velmire decodes it: red and green at alpha 255 and 0, then
// white, red, green and blue at alpha 136 (8 of 15).
const Pixels kGlass = {0xFFFF0000, 0x00FF0000, 0xFF00FF00, 0x0000FF00, 0x88FFFFFF, 0x88FF0000, 0x8800FF00, 0x880000FF};
const Pixels kGlassRgb = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
// A new GLASS: holes at alpha 0 and 127, colours from alpha 128 on.
const Pixels kNewGlass = {0x00FF0000, 0x7F10E020, 0x80FA0A0A, 0xFF0AF014, 0xFFC8C8C8, 0xFF1414E6, 0xFF804020, 0xFF203040};

using Edit = std::function<void(const Game&, std::vector<std::string>* arguments)>;
using Check = std::function<void(const Game&, const std::string& out)>;

// Writes the image `relative` (below the images) as `bmp`.
Edit image(const std::string& relative, const Bytes& bmp) {
  return [=](const Game& g, std::vector<std::string>*) { write_file(g.images / relative, bmp); };
}

TEST(PackRoundTrip, EditsComeBackAsAModderExpectsAndMistakesAreCaught) {
  struct Case {
    const char* what;
    std::vector<std::string> extraction;  // velmire's options after the palette
    Edit edit;
    int status;
    std::string message;  // in standard error ("" for none at all)
    Check check;          // without it: every file as it was, A.PIX not even rewritten
  };
  const std::vector<std::string> racepal = {"-racepal", "-r"}, c2 = {"-racepal", "-r", "-c2"};
  auto nothing = [](const Game&, std::vector<std::string>*) {};
  // A palette file of neither built-in palette: a grey ramp.
  auto with_palette_file = [](const Game& g, std::vector<std::string>* a) {
    Bytes ramp;
    for (int i = 0; i < 256; ++i) ramp.insert(ramp.end(), {0, uint8_t(i), uint8_t(i), uint8_t(i)});
    PixFile pal = start_pix_file();
    add_texture(&pal, kPixTypeXrgb, 1, 256, "ramp.pal", ramp);
    write_file(g.src / ".." / "ramp.pal", pal.bytes);
    (*a)[2] = (g.src / ".." / "ramp.pal").string();
  };
  auto alpha_kept = [](const Game& g, const std::string& out) {
    EXPECT_NE(out.find("2B: EAGLE.TWT/pixies.P16 (GLASS) <-- 0002. GLASS.BMP, alpha kept from the PIX file\n"), std::string::npos) << out;
    EXPECT_EQ(g.archive(), g.old_archive());
  };
  const Case cases[] = {
      {"images of another palette", {"-menupal", "-r"}, nothing, 2,
       "its colour table is the palette -menupal, not the run's -racepal: pack with the palette it was extracted with (-menupal)",
       nullptr},
      {"-menupal images and a palette file", {"-menupal", "-r"}, with_palette_file, 2,
       "its colour table is the palette -menupal, not the run's ", nullptr},
      {"-racepal images and a palette file", racepal, with_palette_file, 2,
       "its colour table is the palette -racepal, not the run's ", nullptr},
      {"-extbmp names", {"-racepal", "-r", "-extbmp"}, nothing, 0, "", nullptr},
      {"-extbmp2 PNG names", {"-racepal", "-r", "-extbmp2", "-png"}, nothing, 0, "", nullptr},
      {"a -file tree", {"-racepal", "-r", "-file"}, nothing, 3, "velmire writes them with -file or -noenum", nullptr},
      {"a -noenum tree", {"-racepal", "-r", "-noenum"}, nothing, 3, "Nothing is packed from folder", nullptr},
      {"black paint over a re-save with holes", racepal,
       [](const Game& g, std::vector<std::string>*) {
         Pixels colours = pixels_of(read_file(g.hole()), 4, 2, true);
         colours[1] = 0;  // opaque black where index 1 was
         write_file(g.hole(), bmp_file(4, 2, 24, colours));
       }, 0, "",
       [](const Game& g, const std::string& out) {
         EXPECT_NE(out.find("NO: A.PIX (hole.pix) <-- 0001. hole.pix.bmp, 1 pixels without an exact colour\n"), std::string::npos) << out;
         const Bytes hole = pixels(read_file(g.game / "A.PIX"), 0);
         EXPECT_EQ(hole[0], 0) << "a hole stays a hole";
         EXPECT_EQ(hole[5], 0);
         EXPECT_NE(hole[1], 0) << "black paint stays black";
       }},
      {"a Splat Pack texture of -ownpal re-saved in true colour", {"-racepal", "-r", "-ownpal"},
       [](const Game& g, std::vector<std::string>*) {
         fs::path image = g.images / "cars" / "SP.PIX" / "0001. sp.pix.bmp";
         write_file(image, bmp_file(4, 2, 24, pixels_of(read_file(image), 4, 2, true)));
       }, 0, "", nullptr},
      {"a destination that does not exist", racepal,
       [](const Game& g, std::vector<std::string>* a) { (*a)[1] = (g.game / "typo").string(); }, 1, "does not exist",
       [](const Game& g, const std::string&) { EXPECT_FALSE(fs::exists(g.game / "typo")); }},
      {"colours of 24 bits in a 16-bit texture", c2, image("C2.PIX/0002. words.bmp", bmp_file(2, 1, 24, {0x123456, 0x07F8FC})),
       0, "",
       [](const Game& g, const std::string& out) {
         EXPECT_NE(out.find("2B: C2.PIX (words) <-- 0002. words.bmp\n"), std::string::npos) << out;
         // Each channel the nearest of its levels: R5 G6 B5 2 13 10, and 1 61 31.
         EXPECT_EQ(pixels(read_file(g.game / "C2.PIX"), 1), (Bytes{0x11, 0xAA, 0x0F, 0xBF}));
       }},
      {"a destination one level too high", racepal,
       [](const Game& g, std::vector<std::string>* a) { (*a)[1] = g.game.parent_path().string(); }, 2,
       "but its subfolder ", [](const Game& g, const std::string&) { EXPECT_FALSE(fs::exists(g.game.parent_path() / "A.PIX")); }},
      {"the source as destination", racepal,
       [](const Game& g, std::vector<std::string>* a) { (*a)[1] = g.images.string(); }, 1, "the same folder or one holds the other",
       nullptr},
      {"run-length, 1, 4 and 16-bit re-saves, an edit among them", racepal,
       [](const Game& g, std::vector<std::string>*) {
         const Bytes hole = read_file(g.hole());
         write_file(g.hole(), bmp_file(4, 2, 8, pixels_of(hole, 4, 2, false), table_of(hole), true));
         fs::path second = g.images / "A.PIX" / "0002. second.bmp";
         write_file(second, bmp_file(2, 1, 1, {1, 0}, pixels_of(read_file(second), 2, 1, true)));  // an edit: swapped
         write_file(g.images / "cars" / "SP.PIX" / "0001. sp.pix.bmp",
                    bmp_file(4, 2, 16, {0, 0x080808, 0x101010, 0x181818, 0x202020, 0x282828, 0x303030, 0x383838}));
       }, 0, "",
       [](const Game& g, const std::string&) {
         const Bytes a = read_file(g.game / "A.PIX");
         EXPECT_EQ(pixels(a, 0), pixels(read_file(g.src / "A.PIX"), 0));
         EXPECT_EQ(pixels(a, 1), (Bytes{8, 7}));
         EXPECT_EQ(pixels(read_file(g.game / "cars" / "SP.PIX"), 0), (Bytes{0, 8, 16, 24, 33, 41, 49, 57}));
       }},
      {"an image over -maxpixels", racepal, [](const Game&, std::vector<std::string>* a) { a->insert(a->end(), {"-maxpixels", "4"}); },
       2, "4 x 2 pixels, more than the 4 that -maxpixels allows", nullptr},
      {"a big file that is not a PIX file where one goes", racepal,
       [](const Game& g, std::vector<std::string>*) { write_file(g.game / "A.PIX", std::string(1 << 20, 'x')); }, 2,
       "A.PIX is left as it was: it is not a PIX file",
       [](const Game& g, const std::string&) { EXPECT_EQ(fs::file_size(g.game / "A.PIX"), 1u << 20); }},
      {"a resized texture in a file of 664", racepal,
       [](const Game& g, std::vector<std::string>*) {
         write_file(g.hole(), bmp_file(8, 4, 24, Pixels(32, 0x102030)));
         fs::permissions(g.game / "A.PIX", fs::perms(0664));
       }, 0, "",
       [](const Game& g, const std::string&) {
         const Bytes pix = read_file(g.game / "A.PIX");
         EXPECT_EQ(header(pix, 0).origin_x, 2) << "the origin scaled with the size";
         EXPECT_EQ(header(pix, 0).origin_y, 0);
#ifndef _WIN32
         EXPECT_EQ(fs::status(g.game / "A.PIX").permissions() & fs::perms::all, fs::perms(0664));
#endif
       }},
      {"an image added to a file of the first game", racepal, image("A.PIX/0003. new.bmp", bmp_file(2, 1, 24, {1, 2})), 0, "",
       [](const Game& g, const std::string&) {
         EXPECT_EQ(header(read_file(g.game / "A.PIX"), 2).PixType, kTypeRgb) << "the image decides";
       }},
      {"not an image", racepal, [](const Game& g, std::vector<std::string>*) { write_file(g.hole(), std::string("text")); },
       2, "0001. hole.pix.bmp: not a BMP or PNG image", nullptr},
      {"a compression it does not read", racepal, [](const Game& g, std::vector<std::string>*) { patch(g.hole(), 30, {4}); },
       2, "hole.pix.bmp: a BMP compression it does not read (4: JPEG); re-save it as a BMP file of 8, 24 or 32 bits or as a PNG file",
       nullptr},
      {"a colour table over 256 entries", racepal, [](const Game& g, std::vector<std::string>*) { patch(g.hole(), 46, {1, 1}); },
       2, "a colour table of 257 entries, more than 256", nullptr},
      {"two images with one number", racepal,
       [](const Game& g, std::vector<std::string>*) { fs::copy(g.hole(), g.images / "A.PIX" / "0001. again.bmp"); }, 2,
       "two images are numbered 1", nullptr},
#ifndef _WIN32
      {"a link to a folder outside", racepal,
       [](const Game& g, std::vector<std::string>*) {
         fs::remove_all(g.game / "cars");
         fs::create_directory_symlink(g.game.parent_path(), g.game / "cars");
       }, 2, sep() + "SP.PIX: its folder cannot be made or opened",
       [](const Game& g, const std::string&) { EXPECT_FALSE(fs::exists(g.game.parent_path() / "SP.PIX")); }},
      {"a pipe named like an image", racepal,
       [](const Game& g, std::vector<std::string>*) { fs::remove(g.hole()); mkfifo(g.hole().c_str(), 0666); }, 2,
       "0001. hole.pix.bmp: not a plain file", nullptr},
#endif
      {"a PIL re-save of GLASS: alpha in the fourth bytes of a BI_RGB file", c2,
       image(kP16 + "0002. GLASS.BMP", bmp_file(4, 2, 32, kGlass)), 0, "", nullptr},
      {"a 24-bit re-save of GLASS", c2, image(kP16 + "0002. GLASS.BMP", bmp_file(4, 2, 24, kGlassRgb)), 0, "", alpha_kept},
      {"a 32-bit re-save of GLASS whose fourth bytes are all 0", c2,
       image(kP16 + "0002. GLASS.BMP", bmp_file(4, 2, 32, kGlassRgb)), 0, "", alpha_kept},
      {"a 24-bit re-save of GLASS at another size", c2,
       image(kP16 + "0002. GLASS.BMP", bmp_file(8, 4, 24, Pixels(32, 0xFF0000))), 2,
       "0002. GLASS.BMP: the texture GLASS has alpha, and this image has none at another size (8 x 4, the texture 4 x 2): "
       "re-save it with its alpha, as a 32-bit BMP with an alpha mask or as an RGBA PNG", nullptr},
      {"the last image deleted", c2, [](const Game& g, std::vector<std::string>*) { fs::remove(g.p16("0003. SCRN.BMP")); }, 2,
       "EAGLE.TWT is left as it was: EAGLE.TWT/pixies.P16 holds textures after its last image, which would be dropped: "
       "3 (SCRN). Put their images back, or pack with -drop to leave them out", nullptr},
      {"the last image deleted, with -drop", c2,
       [](const Game& g, std::vector<std::string>* a) {
         fs::remove(g.p16("0003. SCRN.BMP"));
         a->push_back("-drop");
       }, 0, "",
       [](const Game& g, const std::string& out) {
         EXPECT_NE(out.find("2B: EAGLE.TWT/pixies.P16 (SCRN) dropped, no image numbered 3\n"), std::string::npos) << out;
         EXPECT_EQ(out.find(" dropped"), out.rfind(" dropped")) << "one texture dropped";
         EXPECT_EQ(header(member(g.archive(), 0), SIZE_MAX).width, 2) << "textures left";
       }},
      {"BODY painted grey, without -twins", c2, image(kP16 + "0001. BODY.BMP", bmp_file(4, 2, 24, Pixels(8, 0x808080))),
       0, "the 8-bit twins in pixies.P08 of textures edited in pixies.P16 now differ from them: BODY. To rewrite them from the same images, pack with -twins into a copy of the game's own files\n",
       [](const Game& g, const std::string&) {
         const Bytes now = g.archive(), before = g.old_archive();
         EXPECT_EQ(member(now, 1), member(before, 1)) << "the other member byte for byte";
         for (size_t entry = 0; entry < 2; ++entry)  // the 52 name bytes of each, 0xCD after the name
           EXPECT_TRUE(std::equal(&now[12 + 56 * entry], &now[64 + 56 * entry], &before[12 + 56 * entry])) << entry;
         const Bytes body = member(now, 0);
         EXPECT_EQ(Bytes(body.begin() + 20, body.begin() + 24), (Bytes{0, 0, 0, 18})) << "a true length word";
         EXPECT_EQ(pixels(body, 0), (Bytes{0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10, 0x84, 0x10}));
       }},
      {"an opaque image and a see-through one added", c2,
       [](const Game& g, std::vector<std::string>*) {
         write_file(g.p16("0004. NEWTEX.BMP"), bmp_file(6, 4, 24, Pixels(24, 0x336699)));
         write_file(g.p16("0005. SEE.BMP"), bmp_file(6, 4, 32, Pixels(24, 0xFE336699)));
       }, 0, "",
       [](const Game& g, const std::string&) {
         const PixHeader opaque = header(member(g.archive(), 0), 3), see_through = header(member(g.archive(), 0), 4);
         EXPECT_EQ(std::tuple(opaque.PixType, opaque.kind, opaque.origin_x, opaque.origin_y), std::tuple(5, 0x3D, 3, 2));
         EXPECT_EQ(std::tuple(see_through.PixType, see_through.kind), std::tuple(18, 0x3D));
       }},
      {"GLASS, SCRN and the loose ARROW edited, with -twins; no images of pixies.P08", c2,
       [](const Game& g, std::vector<std::string>* a) {
         a->push_back("-twins");
         fs::remove_all(g.p08(""));
         write_file(g.p16("0002. GLASS.BMP"), bmp_file(4, 2, 32, kNewGlass));
         write_file(g.p16("0003. SCRN.BMP"), bmp_file(2, 2, 24, Pixels(4, 0x808080)));
         write_file(g.images / "c2" / "PIXELMAP" / "HUD.P16" / "0001. ARROW.BMP", bmp_file(2, 1, 24, {0x102030, 0xF0E0D0}));
       }, 0, "",
       [](const Game& g, const std::string& out) {
         const Pixels table = table_of(read_file(g.images / "c2" / "PIXELMAP" / "HUD.P08" / "0001. ARROW.BMP"));
         Bytes glass, arrow = {twin_index(table, 0xFF102030), twin_index(table, 0xFFF0E0D0)};
         for (uint32_t argb : kNewGlass) glass.push_back(twin_index(table, argb));
         EXPECT_EQ(pixels(member(g.archive(), 1), 1), glass);
         EXPECT_EQ(pixels(read_file(g.game / "c2" / "PIXELMAP" / "HUD.P08"), 0), arrow);
         for (size_t kept : {0, 2})  // BODY's twin, not edited; SCRN's texture of another size, no twin
           EXPECT_EQ(pixels(member(g.archive(), 1), kept), pixels(member(g.old_archive(), 1), kept)) << kept;
         EXPECT_NE(out.find("NO: EAGLE.TWT/pixies.P08 (GLASS) <-- twin: pixies.P16/0002. GLASS.BMP, "), std::string::npos) << out;
         EXPECT_NE(out.find("NO: HUD.P08 (ARROW) <-- twin: HUD.P16/0001. ARROW.BMP, "), std::string::npos) << out;
       }},
      {"the loose ARROW edited, with -twins, and HUD.P08's one image misnumbered", c2,
       [](const Game& g, std::vector<std::string>* a) {
         a->push_back("-twins");
         const fs::path hud = g.images / "c2" / "PIXELMAP";
         fs::rename(hud / "HUD.P08" / "0001. ARROW.BMP", hud / "HUD.P08" / "0002. ARROW.BMP");
         write_file(hud / "HUD.P16" / "0001. ARROW.BMP", bmp_file(2, 1, 24, {0x102030, 0xF0E0D0}));
       }, 2, "HUD.P08 is left as it was: in folder ", [](const Game& g, const std::string&) {
         EXPECT_EQ(read_file(g.game / "c2" / "PIXELMAP" / "HUD.P08"), read_file(g.src / "c2" / "PIXELMAP" / "HUD.P08")); }},
      {"BODY and its twin's own image edited, with -twins", c2,
       [](const Game& g, std::vector<std::string>* a) {
         a->push_back("-twins");
         write_file(g.p16("0001. BODY.BMP"), bmp_file(4, 2, 24, Pixels(8, 0x808080)));
         write_file(g.p08("0001. BODY.BMP"), bmp_file(4, 2, 8, Pixels(8, 9), table_of(read_file(g.p08("0001. BODY.BMP")))));
       }, 0, "EAGLE.TWT/pixies.P08 (BODY): its own image was edited too, and is packed rather than its twin's in pixies.P16\n",
       [](const Game& g, const std::string&) { EXPECT_EQ(pixels(member(g.archive(), 1), 0), Bytes(8, 9)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Game g{dir.path / "images", dir.path / "copy" / "game", dir.path / "src"};
    make_game(g.src, c.extraction.back() == "-c2");
    std::vector<std::string> extraction = {g.src.string(), g.images.string()};
    extraction.insert(extraction.end(), c.extraction.begin(), c.extraction.end());
    ASSERT_EQ(run_velmire(extraction).err, "");
    fs::create_directories(g.game.parent_path());
    fs::copy(g.src, g.game, fs::copy_options::recursive);
    const auto written = fs::last_write_time(g.game / "A.PIX");
    std::vector<std::string> arguments = {g.images.string(), g.game.string(), "-racepal", "-r"};
    c.edit(g, &arguments);
    RunResult result = run_program(run_pack, "velmire-pack", arguments);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_TRUE(c.message.empty() ? result.err.empty() : result.err.find(c.message) != std::string::npos) << result.err;
    // A file left alone is no write failure; one message a PIX file at most.
    EXPECT_TRUE(result.err.find("Could not write") == std::string::npos || c.message.find("cannot be made") != std::string::npos);
    EXPECT_LE(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    if (c.check) {
      c.check(g, result.out);
      continue;
    }
    for (const std::string& name : list_tree(g.src))
      EXPECT_TRUE(name.back() == '/' || read_file(g.game / name) == read_file(g.src / name)) << name;
    EXPECT_EQ(fs::last_write_time(g.game / "A.PIX"), written) << "not written when unchanged";
  }
}

}  // namespace
