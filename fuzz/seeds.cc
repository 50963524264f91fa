#include "seeds.h"

#include <string_view>
#include <utility>

#include "pix_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Option bytes (see fuzz_one_input): defaults; file mode without numbers or
// PIX name and the original extension; the same in folder mode; top-down
// with the race palette and "-extbmp"; file mode with "-extbmp2"; PNG files.
constexpr uint8_t kDefaults = 0x00;
constexpr uint8_t kBareNames = 0x01 | 0x02 | 0x04 | 0x18;
constexpr uint8_t kBareFolder = 0x02 | 0x18;
constexpr uint8_t kTopDownRace = 0x20 | 0x40 | 0x10;
constexpr uint8_t kFileExtBmp2 = 0x01 | 0x08;
constexpr uint8_t kPng = 0x80;
// "-c2" in folder mode; with PNG files; top-down with the race palette; with
// bare names.
constexpr uint8_t kC2 = 0x04;
constexpr uint8_t kC2Png = kC2 | kPng;
constexpr uint8_t kC2TopDown = kC2 | 0x20 | 0x40;
constexpr uint8_t kC2Bare = kC2 | kBareFolder;

Bytes ramp(size_t count) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

// A texture with a 0x3D header whose length word says 14, as Carmageddon 2's
// files say whatever the name.
void add_c2_texture(PixFile* pix, uint8_t type, uint16_t width, uint16_t height, std::string_view name,
                    const Bytes& pixels) {
  const size_t header = pix->bytes.size();
  add_texture(pix, type, width, height, name, pixels, kNewerHeader);
  pix->bytes[header + 7] = 14;
  pix->bytes[header + 6] = 0;
}

struct SeedList {
  std::vector<Seed> seeds;

  void add(std::string name, PixFile pix, uint8_t options) {
    pix.bytes.push_back(options);
    seeds.push_back({std::move(name), std::move(pix.bytes)});
  }

  // A TWT archive of the members and a last one holding the options byte.
  void add_archive(std::string name, std::vector<TwtFile> members, uint8_t options) {
    members.push_back({"options", {options}});
    seeds.push_back({std::move(name), twt_archive(members), ".TWT"});
  }
};

void add_c2_seeds(SeedList* list) {
  // Carmageddon 2's translucent type, A4 R4 G4 B4: a cut-out row (red and
  // green, alpha 15 and 0) above a screen row (white, red, green, blue,
  // alpha 8), and an opaque texture, their length words 14.
  PixFile pix = start_pix_file();
  add_c2_texture(&pix, 18, 4, 2, "glass",
                 {0xFF, 0x00, 0x0F, 0x00, 0xF0, 0xF0, 0x00, 0xF0, 0x8F, 0xFF, 0x8F, 0x00, 0x80, 0xF0, 0x80, 0x0F});
  add_c2_texture(&pix, 5, 2, 1, "opaque", ramp(4));
  for (uint8_t options : {kC2, kC2Png}) list->add("c2-alpha-" + std::to_string(options), pix, options);

  // Every type of the table, in 3 x 2 pixelmaps (rows of 3 pixels, which
  // decoded rows pad), under 0x3D headers with true lengths.
  pix = start_pix_file();
  for (uint8_t type : {3, 4, 5, 6, 7, 8, 17, 18, 31, 32, 34, 37})
    add_texture(&pix, type, 3, 2, "type" + std::to_string(type), ramp(6 * pix_type_bytes(type)),
                kNewerHeader);
  for (uint8_t options : {kC2, kC2Png, kC2TopDown})
    list->add("c2-every-type-" + std::to_string(options), pix, options);

  // Mip chains: 4 x 4, 2 x 2 and 1 x 1 levels after one another, of which
  // only the first is the picture; an 8-bit one 3 pixels wide.
  pix = start_pix_file();
  add_header_block(&pix, 5, 8, 4, 4, "mip565", kNewerHeader, 32);
  add_pixel_block(&pix, 21, 2, ramp(42));
  add_header_block(&pix, kType8Bit, 3, 3, 2, "mip8", kNewerHeader, 6);
  add_pixel_block(&pix, 8, 1, ramp(8));
  for (uint8_t options : {kC2, kC2Png}) list->add("c2-mip-chain-" + std::to_string(options), pix, options);

  // Types the table does not hold (2-bit indices, a depth type, YUV) are
  // skipped; the texture after them is not. A block of an unknown kind ends
  // the walk (this seed's folder comes last).
  pix = start_pix_file();
  add_texture(&pix, 1, 4, 1, "index2", ramp(4), kNewerHeader);
  add_texture(&pix, 13, 2, 1, "depth", ramp(4), kNewerHeader);
  add_texture(&pix, 15, 2, 1, "yuv", ramp(4));
  add_texture(&pix, 5, 2, 1, "after", ramp(4), kNewerHeader);
  add_bytes(&pix, Bytes{0, 0, 0, 0x42, 0, 0, 0, 0});
  list->add("c2-unknown-types", pix, kC2);

  // An archive as Carmageddon 2 has them: 16-bit and 8-bit PIX files, a
  // member that is none, names that look like paths.
  PixFile p16 = start_pix_file();
  add_c2_texture(&p16, 5, 2, 2, "BDBASE", ramp(8));
  add_c2_texture(&p16, 18, 2, 1, "BDGLASS", {0x8F, 0xFF, 0x00, 0x00});
  PixFile p08 = start_pix_file();
  add_splat_pack_texture(&p08, 4, 1, "BDBASE", ramp(4), 4);
  const std::vector<TwtFile> members = {{"pixies.P16", p16.bytes}, {"notes.txt", Bytes{'h', 'i'}},
                                        {"pixies.P08", p08.bytes}, {"../up", p16.bytes},
                                        {"..", p08.bytes},         {"", p08.bytes}};
  for (uint8_t options : {kC2, kC2Bare, kC2Png}) list->add_archive("c2-twt-" + std::to_string(options), members, options);
  // Its last member padded too (which leaves no options byte).
  list->seeds.push_back({"c2-twt-padded", twt_archive({members[0], members[1]}, true), ".TWT"});
  // Members whose folders would be one, exactly or in another letter case:
  // the later of each pair is left out.
  list->add_archive("c2-twt-same-folder",
                    {{"a/b", p16.bytes}, {"a_b", p08.bytes}, {"pixies.P08", p08.bytes}, {"PIXIES.p08", p16.bytes}}, kC2);

  // Tables that lie: the size word, a count that does not fit, a length past
  // the end, members that end before the file does.
  SeedList lies;
  lies.add_archive("", members, kC2);
  Bytes archive = lies.seeds.back().bytes;
  Bytes size = archive, count = archive, length = archive, early = archive;
  size[0] ^= 4;
  count[4] = 0xFF;
  length[8 + 1] = 0xFF;  // the first member's length
  early.insert(early.end() - 1, 4, 0);
  early[0] += 4;
  for (auto& [name, bytes] : {std::pair{"size", size}, {"count", count}, {"length", length}, {"early", early}})
    list->seeds.push_back({"c2-twt-lies-" + std::string(name), bytes, ".TWT"});
}

}  // namespace

std::vector<Seed> make_seeds() {
  SeedList list;
  PixFile pix = start_pix_file();

  // Every kind of texture, in each naming mode. With bare names the last
  // one lands on a PIX file planted in the destination.
  add_texture(&pix, kTypeRgb, 4, 2, "rgb", ramp(24));
  add_texture(&pix, kTypeXrgb, 2, 2, "xrgb.pix", ramp(16));
  add_splat_pack_texture(&pix, 4, 2, "splat", ramp(8), 4);
  add_texture(&pix, kType8Bit, 4, 1, "", ramp(4));
  add_texture(&pix, kType8Bit, 4, 1, "", ramp(4));
  add_texture(&pix, kType8Bit, 4, 2, "GO.PIX", ramp(8));
  for (uint8_t options : {kDefaults, kBareNames, kBareFolder, kTopDownRace, kFileExtBmp2, kPng})
    list.add("kinds-" + std::to_string(options), pix, options);

  // Palettes as the game stores them (1 x 256 X R G B), one followed by
  // another pixelmap and one cut inside its entries; one of 16 entries.
  pix = start_pix_file();
  add_texture(&pix, kTypeXrgb, 1, 256, "palette", ramp(1024));
  list.add("palette-cut", PixFile{Bytes(pix.bytes.begin(), pix.bytes.begin() + 600)}, kDefaults);
  add_texture(&pix, kType8Bit, 4, 1, "more", ramp(4));
  list.add("palette-then-more", pix, kDefaults);
  pix = start_pix_file();
  add_texture(&pix, kTypeXrgb, 1, 16, "palette", ramp(64));
  list.add("palette-16", pix, kDefaults);

  // A Splat Pack texture as the game stores it, with a full palette.
  pix = start_pix_file();
  add_splat_pack_texture(&pix, 4, 2, "TARGET.PIX", ramp(8));
  list.add("splat-full-palette", pix, kDefaults);

  // A Splat Pack texture whose image is not 8-bit.
  pix = start_pix_file();
  add_splat_pack_texture(&pix, 4, 1, "sp", ramp(4), 1, kTypeRgb);
  list.add("splat-unsupported", pix, kDefaults);

  // Rows without padding, and rows that end inside a pixel.
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 3, 3, 2, "odd8");
  add_pixel_block(&pix, 6, 1, ramp(6));
  add_header_block(&pix, kTypeRgb, 4, 1, 3, "rows-split-pixels");
  add_pixel_block(&pix, 4, 3, ramp(12));
  add_header_block(&pix, kTypeXrgb, 20, 5, 1, "odd32");
  add_pixel_block(&pix, 5, 4, ramp(20));
  for (uint8_t options : {kDefaults, kTopDownRace, kPng}) list.add("odd-widths-" + std::to_string(options), pix, options);

  // A pixel type with no BMP form, then a texture never reached.
  pix = start_pix_file();
  add_texture(&pix, 4, 2, 1, "gold15", ramp(4));
  add_texture(&pix, kType8Bit, 4, 1, "after", ramp(4));
  list.add("unknown-pixtype", pix, kDefaults);

  // Names that look like paths, and one past the length limit.
  pix = start_pix_file();
  for (std::string_view name : {"..", ".", "../../up", "a\\b", "/abs", "x.", ".bmp", "go"})
    add_texture(&pix, kType8Bit, 4, 1, name, ramp(4));
  add_texture(&pix, kType8Bit, 4, 1, std::string(250, 'n'), ramp(4));
  for (uint8_t options : {kBareNames, kFileExtBmp2}) list.add("names-" + std::to_string(options), pix, options);

  // Geometry far beyond the bytes: 65535 x 65535 with no pixel bytes, and
  // with a handful of them.
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 65535, 65535, 65535, "huge");
  add_pixel_block(&pix, 0xFFFFFFFFu, 0, {});
  add_header_block(&pix, kTypeXrgb, 65535, 65535, 65535, "huge32");
  add_pixel_block(&pix, 4, 4, ramp(16));
  for (uint8_t options : {kDefaults, kTopDownRace, kPng}) list.add("huge-" + std::to_string(options), pix, options);

  // Truncations: a name without its zero, a pixel count beyond the file,
  // and a block cut inside its type word.
  Bytes whole = [] {
    PixFile one = start_pix_file();
    add_texture(&one, kType8Bit, 4, 2, "cut", ramp(8));
    return one.bytes;
  }();
  for (size_t keep : {16 + 10, 16 + 22, 16 + 40, 16 + 2}) {
    PixFile cut;
    cut.bytes.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
    list.add("truncated-" + std::to_string(keep), cut, kDefaults);
  }
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "count");
  add_pixel_block(&pix, 0x40000000u, 4, ramp(4), {});
  list.add("truncated-count", pix, kDefaults);

  // Only the fourth byte of a type word counts; a length word that would
  // wrap the position around; a file that ends at "112".
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "high");
  add_pixel_block(&pix, 4, 1, ramp(4));
  pix.bytes[16] = pix.bytes[17] = pix.bytes[18] = 0xFF;
  pix.bytes[16 + 24] = 0x7F;  // the pixel block, after a header of 20 + 4 bytes
  list.add("type-word-high-bytes", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "far");
  add_bytes(&pix, Bytes{0, 0, 0, 0x21, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 4, 0, 0, 0, 1, 1, 2, 3, 4});
  add_texture(&pix, kType8Bit, 4, 1, "never", ramp(4));
  list.add("length-word-wraps", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "a");
  add_header_block(&pix, kTypeXrgb, 4, 1, 1, "b");
  add_pixel_block(&pix, 1, 4, ramp(4));
  list.add("zz-order-112", pix, kDefaults);

  // A block of an unknown kind (the newer header), after a good texture.
  pix = start_pix_file();
  add_texture(&pix, kType8Bit, 4, 1, "first", ramp(4));
  add_bytes(&pix, Bytes{0, 0, 0, 0x3D, 0, 0, 0, 4, 1, 2, 3, 4});
  list.add("zz-unknown-kind", pix, kDefaults);

  // Orders that never complete: a pixel block first, three headers, and a
  // header after "112".
  pix = start_pix_file();
  add_pixel_block(&pix, 4, 1, ramp(4));
  list.add("zz-order-2", pix, kDefaults);
  pix = start_pix_file();
  for (int i = 0; i < 3; ++i) add_header_block(&pix, kType8Bit, 4, 4, 1, "h");
  list.add("zz-order-111", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "a");
  add_header_block(&pix, kTypeXrgb, 4, 1, 1, "b");
  add_pixel_block(&pix, 1, 4, ramp(4));
  add_header_block(&pix, kType8Bit, 4, 4, 1, "c");
  list.add("zz-order-1121", pix, kDefaults);

  // A pixel block whose length word is 0, so that the scan goes on inside
  // its own pixel bytes, which hold a header block.
  pix = start_pix_file();
  add_header_block(&pix, kType8Bit, 4, 4, 1, "outer");
  PixFile inner;
  add_header_block(&inner, kType8Bit, 4, 4, 1, "inner");
  append_be32(&pix.bytes, kPixelBlock);
  append_be32(&pix.bytes, 0);
  append_be32(&pix.bytes, static_cast<uint32_t>(inner.bytes.size()));
  append_be32(&pix.bytes, 1);
  add_bytes(&pix, inner.bytes);
  add_pixel_block(&pix, 4, 1, ramp(4));
  list.add("length-word-zero", pix, kDefaults);

  // A good texture behind a signature one bit away, which the walk passes
  // over.
  pix = start_pix_file();
  add_texture(&pix, kType8Bit, 4, 1, "not a PIX file", ramp(4));
  pix.bytes[11] ^= 1;
  list.add("almost-signature", pix, kDefaults);

  // The signature alone.
  list.add("signature-only", start_pix_file(), kDefaults);
  add_c2_seeds(&list);
  return list.seeds;
}
