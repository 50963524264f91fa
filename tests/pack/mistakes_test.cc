// The mistakes modders make, each on generated files: velmire extracts a
// small game, the images are edited (or the run is given wrongly), and
// velmire-pack's status, messages and the PIX files it leaves are checked.
#include <gtest/gtest.h>

#include <functional>
#include <string>
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

// The colours (or indices) of an 8-bit BMP file velmire wrote, top row first.
Pixels pixels_of(const Bytes& bmp, uint32_t width, uint32_t height, bool colours) {
  Pixels pixels;
  for (uint32_t y = height; y-- > 0;)
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t index = bmp[1078 + (width + 3) / 4 * 4 * y + x], *entry = &bmp[54 + 4 * index];
      pixels.push_back(colours ? uint32_t{entry[2]} << 16 | entry[1] << 8 | entry[0] : index);
    }
  return pixels;
}

void patch(const fs::path& file, size_t at, std::initializer_list<uint8_t> bytes) {
  Bytes content = read_file(file);
  for (uint8_t b : bytes) content[at++] = b;
  write_file(file, content);
}

std::vector<OldTexture> textures_of(const Bytes& pix) {
  std::vector<OldTexture> textures;
  read_old_textures(pix, &textures);
  return textures;
}

struct Files {
  fs::path images, game, src;
  fs::path hole() const { return images / "A.PIX" / "0001. hole.pix.bmp"; }
};

// A.PIX: "hole.pix" 4 x 2 with index 0 (a hole) in two places, its origin
// (1, 0); "second" 2 x 1. cars/SP.PIX: a Splat Pack texture with a grey ramp
// of its own. For -c2, C2.PIX: "mip", RGB 565, 2 x 2 and its 1 x 1 mip
// level; "words", RGB 565, 2 x 1.
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
}

TEST(PackMistakes, EachIsCaughtOrPacksRight) {
  struct Case {
    const char* what;
    std::vector<std::string> extraction;  // velmire's options after the palette
    std::function<void(const Files&, std::vector<std::string>* arguments)> make;
    int status;
    std::string message;  // in standard error ("" for none at all)
    std::function<void(const Files&, const std::string& out)> check;  // without it: every PIX file as it was
  };
  auto nothing = [](const Files&, std::vector<std::string>*) {};
  // A palette file of neither built-in palette: a grey ramp.
  auto with_palette_file = [](const Files& f, std::vector<std::string>* a) {
    Bytes ramp;
    for (int i = 0; i < 256; ++i) ramp.insert(ramp.end(), {0, uint8_t(i), uint8_t(i), uint8_t(i)});
    PixFile pal = start_pix_file();
    add_texture(&pal, kPixTypeXrgb, 1, 256, "ramp.pal", ramp);
    write_file(f.src / ".." / "ramp.pal", pal.bytes);
    (*a)[2] = (f.src / ".." / "ramp.pal").string();
  };
  const Case cases[] = {
      {"images of another palette", {"-menupal", "-r"}, nothing, 2,
       "its colour table is the palette -menupal, not the run's -racepal: pack with the palette it was extracted with (-menupal)",
       nullptr},
      {"-menupal images and a palette file", {"-menupal", "-r"}, with_palette_file, 2,
       "its colour table is the palette -menupal, not the run's ", nullptr},
      {"-racepal images and a palette file", {"-racepal", "-r"}, with_palette_file, 2,
       "its colour table is the palette -racepal, not the run's ", nullptr},
      {"-extbmp names", {"-racepal", "-r", "-extbmp"}, nothing, 0, "", nullptr},
      {"-extbmp2 PNG names", {"-racepal", "-r", "-extbmp2", "-png"}, nothing, 0, "", nullptr},
      {"a -file tree", {"-racepal", "-r", "-file"}, nothing, 3, "velmire writes them with -file or -noenum", nullptr},
      {"a -noenum tree", {"-racepal", "-r", "-noenum"}, nothing, 3, "Nothing is packed from folder", nullptr},
      {"black paint over a re-save with holes", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) {
         Pixels colours = pixels_of(read_file(f.hole()), 4, 2, true);
         colours[1] = 0;  // opaque black where index 1 was
         write_file(f.hole(), bmp_file(4, 2, 24, colours));
       }, 0, "",
       [](const Files& f, const std::string& out) {
         EXPECT_NE(out.find("NO: A.PIX (hole.pix) <-- 0001. hole.pix.bmp, 1 pixels without an exact colour\n"), std::string::npos) << out;
         const Bytes pix = read_file(f.game / "A.PIX");
         const std::span<const uint8_t> pixels = textures_of(pix)[0].image.pixels;
         EXPECT_EQ(pixels[0], 0) << "a hole stays a hole";
         EXPECT_EQ(pixels[5], 0);
         EXPECT_NE(pixels[1], 0) << "black paint stays black";
       }},
      {"a Splat Pack texture of -ownpal re-saved in true colour", {"-racepal", "-r", "-ownpal"},
       [](const Files& f, std::vector<std::string>*) {
         fs::path image = f.images / "cars" / "SP.PIX" / "0001. sp.pix.bmp";
         write_file(image, bmp_file(4, 2, 24, pixels_of(read_file(image), 4, 2, true)));
       }, 0, "", nullptr},
      {"a destination that does not exist", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>* a) { (*a)[1] = (f.game / "typo").string(); }, 1, "does not exist",
       [](const Files& f, const std::string&) { EXPECT_FALSE(fs::exists(f.game / "typo")); }},
      {"a picture with mip levels painted", {"-racepal", "-r", "-c2"},
       [](const Files& f, std::vector<std::string>*) {
         write_file(f.images / "C2.PIX" / "0001. mip.bmp", bmp_file(2, 2, 24, Pixels(4, 0x808080)));
       }, 2, "0001. mip.bmp: its picture changed, and smaller copies of it (mip levels) follow it", nullptr},
      {"colours of 24 bits in a 16-bit texture", {"-racepal", "-r", "-c2"},
       [](const Files& f, std::vector<std::string>*) {
         write_file(f.images / "C2.PIX" / "0002. words.bmp", bmp_file(2, 1, 24, {0x123456, 0x07F8FC}));
       }, 0, "",
       [](const Files& f, const std::string& out) {
         EXPECT_NE(out.find("2B: C2.PIX (words) <-- 0002. words.bmp\n"), std::string::npos) << out;
         const Bytes pix = read_file(f.game / "C2.PIX");
         const std::span<const uint8_t> words = textures_of(pix)[1].image.pixels;
         // Each channel the nearest of its levels: R5 G6 B5 2 13 10, and 1 61 31.
         EXPECT_EQ(Bytes(words.begin(), words.end()), (Bytes{0x11, 0xAA, 0x0F, 0xBF}));
       }},
      {"a destination one level too high", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>* a) { (*a)[1] = f.game.parent_path().string(); }, 2,
       "but its subfolder " + std::string(), [](const Files& f, const std::string&) { EXPECT_FALSE(fs::exists(f.game.parent_path() / "A.PIX")); }},
      {"the source as destination", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>* a) { (*a)[1] = f.images.string(); }, 1, "the same folder or one holds the other",
       nullptr},
      {"run-length, 1, 4 and 16-bit re-saves, an edit among them", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) {
         const Bytes hole = read_file(f.hole());
         Pixels table;
         for (uint32_t i = 0; i < 256; ++i) table.push_back(uint32_t{hole[56 + 4 * i]} << 16 | hole[55 + 4 * i] << 8 | hole[54 + 4 * i]);
         write_file(f.hole(), bmp_file(4, 2, 8, pixels_of(hole, 4, 2, false), table, true));
         fs::path second = f.images / "A.PIX" / "0002. second.bmp";
         write_file(second, bmp_file(2, 1, 1, {1, 0}, pixels_of(read_file(second), 2, 1, true)));  // an edit: swapped
         write_file(f.images / "cars" / "SP.PIX" / "0001. sp.pix.bmp",
                    bmp_file(4, 2, 16, {0, 0x080808, 0x101010, 0x181818, 0x202020, 0x282828, 0x303030, 0x383838}));
       }, 0, "",
       [](const Files& f, const std::string&) {
         const Bytes a = read_file(f.game / "A.PIX"), a_before = read_file(f.src / "A.PIX");
         EXPECT_TRUE(std::equal(textures_of(a)[0].image.pixels.begin(), textures_of(a)[0].image.pixels.end(), textures_of(a_before)[0].image.pixels.begin()));
         EXPECT_EQ(Bytes(textures_of(a)[1].image.pixels.begin(), textures_of(a)[1].image.pixels.end()), (Bytes{8, 7}));
         const Bytes pix = read_file(f.game / "cars" / "SP.PIX");
         const std::span<const uint8_t> sp = textures_of(pix)[0].image.pixels;
         EXPECT_EQ(Bytes(sp.begin(), sp.end()), (Bytes{0, 8, 16, 24, 33, 41, 49, 57}));
       }},
      {"an image over -maxpixels", {"-racepal", "-r"},
       [](const Files&, std::vector<std::string>* a) { a->insert(a->end(), {"-maxpixels", "4"}); }, 2,
       "4 x 2 pixels, more than the 4 that -maxpixels allows", nullptr},
      {"a big file that is not a PIX file where one goes", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) { write_file(f.game / "A.PIX", std::string(1 << 20, 'x')); }, 2,
       "A.PIX is left as it was: it is not a PIX file",
       [](const Files& f, const std::string&) { EXPECT_EQ(fs::file_size(f.game / "A.PIX"), 1u << 20); }},
      {"a resized texture in a file of 664", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) {
         write_file(f.hole(), bmp_file(8, 4, 24, Pixels(32, 0x102030)));
         fs::permissions(f.game / "A.PIX", fs::perms(0664));
       }, 0, "",
       [](const Files& f, const std::string&) {
         const Bytes pix = read_file(f.game / "A.PIX");
         const OldTexture hole = textures_of(pix)[0];
         EXPECT_EQ(hole.header.origin_x, 2) << "the origin scaled with the size";
         EXPECT_EQ(hole.header.origin_y, 0);
#ifndef _WIN32
         EXPECT_EQ(fs::status(f.game / "A.PIX").permissions() & fs::perms::all, fs::perms(0664));
#endif
       }},
      {"an image added to a file of the first game", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) { write_file(f.images / "A.PIX" / "0003. new.bmp", bmp_file(2, 1, 24, {1, 2})); },
       0, "", [](const Files& f, const std::string&) {
         EXPECT_EQ(textures_of(read_file(f.game / "A.PIX")).at(2).header.PixType, kTypeRgb) << "the image decides";
       }},
      {"not an image", {"-racepal", "-r"}, [](const Files& f, std::vector<std::string>*) { write_file(f.hole(), std::string("text")); },
       2, "0001. hole.pix.bmp: not a BMP or PNG image", nullptr},
      {"a compression it does not read", {"-racepal", "-r"}, [](const Files& f, std::vector<std::string>*) { patch(f.hole(), 30, {4}); },
       2, "hole.pix.bmp: a BMP compression it does not read (4: JPEG); re-save it as a BMP file of 8, 24 or 32 bits or as a PNG file",
       nullptr},
      {"a size over 65535", {"-racepal", "-r"}, [](const Files& f, std::vector<std::string>*) { patch(f.hole(), 18, {0, 0, 1, 0}); },
       2, "65536 pixels wide, more than 65535", nullptr},
      {"a colour table over 256 entries", {"-racepal", "-r"}, [](const Files& f, std::vector<std::string>*) { patch(f.hole(), 46, {1, 1}); },
       2, "a colour table of 257 entries, more than 256", nullptr},
      {"two images with one number", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) { fs::copy(f.hole(), f.images / "A.PIX" / "0001. again.bmp"); }, 2,
       "two images are numbered 1", nullptr},
#ifndef _WIN32
      {"a link to a folder outside", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) {
         fs::remove_all(f.game / "cars");
         fs::create_directory_symlink(f.game.parent_path(), f.game / "cars");
       }, 2, sep() + "SP.PIX: its folder cannot be made or opened",
       [](const Files& f, const std::string&) { EXPECT_FALSE(fs::exists(f.game.parent_path() / "SP.PIX")); }},
      {"a pipe named like an image", {"-racepal", "-r"},
       [](const Files& f, std::vector<std::string>*) { fs::remove(f.hole()); mkfifo(f.hole().c_str(), 0666); }, 2,
       "0001. hole.pix.bmp: not a plain file", nullptr},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Files f{dir.path / "images", dir.path / "copy" / "game", dir.path / "src"};
    const bool c2 = std::find(c.extraction.begin(), c.extraction.end(), "-c2") != c.extraction.end();
    make_game(f.src, c2);
    std::vector<std::string> extraction = {f.src.string(), f.images.string()};
    extraction.insert(extraction.end(), c.extraction.begin(), c.extraction.end());
    ASSERT_EQ(run_velmire(extraction).err, "");
    fs::create_directories(f.game.parent_path());
    fs::copy(f.src, f.game, fs::copy_options::recursive);
    const auto written = fs::last_write_time(f.game / "A.PIX");
    std::vector<std::string> arguments = {f.images.string(), f.game.string(), "-racepal", "-r"};
    c.make(f, &arguments);
    RunResult result = run_program(run_pack, "velmire-pack", arguments);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_TRUE(c.message.empty() ? result.err.empty() : result.err.find(c.message) != std::string::npos) << result.err;
    // A file left alone is no write failure; one message a PIX file at most.
    EXPECT_TRUE(result.err.find("Could not write") == std::string::npos || c.message.find("cannot be made") != std::string::npos);
    EXPECT_LE(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    if (c.check) {
      c.check(f, result.out);
      continue;
    }
    for (const char* name : {"A.PIX", "cars/SP.PIX", c2 ? "C2.PIX" : "A.PIX"})
      EXPECT_EQ(read_file(f.game / name), read_file(f.src / name)) << name;
    EXPECT_EQ(fs::last_write_time(f.game / "A.PIX"), written) << "not written when unchanged";
  }
}

}  // namespace
