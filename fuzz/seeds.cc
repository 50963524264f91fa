#include "seeds.h"

#include <string_view>

#include "pix/pix_blocks.h"
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

Bytes ramp(size_t count) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

struct SeedList {
  std::vector<Seed> seeds;

  void add(std::string name, PixFile pix, uint8_t options) {
    pix.bytes.push_back(options);
    seeds.push_back({std::move(name), std::move(pix.bytes)});
  }
};

}  // namespace

std::vector<Seed> make_seeds() {
  SeedList list;
  PixFile pix = start_pix_file();

  // Every kind of texture, in each naming mode. With bare names the last
  // one lands on a PIX file planted in the destination.
  add_texture(&pix, kPixTypeRgb, 4, 2, "rgb", ramp(24));
  add_texture(&pix, kPixTypeXrgb, 2, 2, "xrgb.pix", ramp(16));
  add_splat_pack_texture(&pix, 4, 2, "splat", ramp(8), 4);
  add_texture(&pix, kPixType8Bit, 4, 1, "", ramp(4));
  add_texture(&pix, kPixType8Bit, 4, 1, "", ramp(4));
  add_texture(&pix, kPixType8Bit, 4, 2, "GO.PIX", ramp(8));
  for (uint8_t options : {kDefaults, kBareNames, kBareFolder, kTopDownRace, kFileExtBmp2, kPng})
    list.add("kinds-" + std::to_string(options), pix, options);

  // Palettes as the game stores them (1 x 256 X R G B), one followed by
  // another pixelmap and one cut inside its entries; one of 16 entries.
  pix = start_pix_file();
  add_texture(&pix, kPixTypeXrgb, 1, 256, "palette", ramp(1024));
  list.add("palette-cut", PixFile{Bytes(pix.bytes.begin(), pix.bytes.begin() + 600)}, kDefaults);
  add_texture(&pix, kPixType8Bit, 4, 1, "more", ramp(4));
  list.add("palette-then-more", pix, kDefaults);
  pix = start_pix_file();
  add_texture(&pix, kPixTypeXrgb, 1, 16, "palette", ramp(64));
  list.add("palette-16", pix, kDefaults);

  // A Splat Pack texture as the game stores it, with a full palette.
  pix = start_pix_file();
  add_splat_pack_texture(&pix, 4, 2, "TARGET.PIX", ramp(8));
  list.add("splat-full-palette", pix, kDefaults);

  // A Splat Pack texture whose image is not 8-bit.
  pix = start_pix_file();
  add_splat_pack_texture(&pix, 4, 1, "sp", ramp(4), 1, kPixTypeRgb);
  list.add("splat-unsupported", pix, kDefaults);

  // Rows without padding, and rows that end inside a pixel.
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 3, 3, 2, "odd8");
  add_pixel_block(&pix, 6, 1, ramp(6));
  add_header_block(&pix, kPixTypeRgb, 4, 1, 3, "rows-split-pixels");
  add_pixel_block(&pix, 4, 3, ramp(12));
  add_header_block(&pix, kPixTypeXrgb, 20, 5, 1, "odd32");
  add_pixel_block(&pix, 5, 4, ramp(20));
  for (uint8_t options : {kDefaults, kTopDownRace, kPng}) list.add("odd-widths-" + std::to_string(options), pix, options);

  // A pixel type with no BMP form, then a texture never reached.
  pix = start_pix_file();
  add_texture(&pix, 4, 2, 1, "gold15", ramp(4));
  add_texture(&pix, kPixType8Bit, 4, 1, "after", ramp(4));
  list.add("unknown-pixtype", pix, kDefaults);

  // Names that look like paths, and one past the length limit.
  pix = start_pix_file();
  for (std::string_view name : {"..", ".", "../../up", "a\\b", "/abs", "x.", ".bmp", "go"})
    add_texture(&pix, kPixType8Bit, 4, 1, name, ramp(4));
  add_texture(&pix, kPixType8Bit, 4, 1, std::string(250, 'n'), ramp(4));
  for (uint8_t options : {kBareNames, kFileExtBmp2}) list.add("names-" + std::to_string(options), pix, options);

  // Geometry far beyond the bytes: 65535 x 65535 with no pixel bytes, and
  // with a handful of them.
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 65535, 65535, 65535, "huge");
  add_pixel_block(&pix, 0xFFFFFFFFu, 0, {});
  add_header_block(&pix, kPixTypeXrgb, 65535, 65535, 65535, "huge32");
  add_pixel_block(&pix, 4, 4, ramp(16));
  for (uint8_t options : {kDefaults, kTopDownRace, kPng}) list.add("huge-" + std::to_string(options), pix, options);

  // Truncations: a name without its zero, a pixel count beyond the file,
  // and a block cut inside its type word.
  Bytes whole = [] {
    PixFile one = start_pix_file();
    add_texture(&one, kPixType8Bit, 4, 2, "cut", ramp(8));
    return one.bytes;
  }();
  for (size_t keep : {16 + 10, 16 + 22, 16 + 40, 16 + 2}) {
    PixFile cut;
    cut.bytes.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
    list.add("truncated-" + std::to_string(keep), cut, kDefaults);
  }
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "count");
  add_pixel_block(&pix, 0x40000000u, 4, ramp(4), {});
  list.add("truncated-count", pix, kDefaults);

  // Only the fourth byte of a type word counts; a length word that would
  // wrap the position around; a file that ends at "112".
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "high");
  add_pixel_block(&pix, 4, 1, ramp(4));
  pix.bytes[16] = pix.bytes[17] = pix.bytes[18] = 0xFF;
  pix.bytes[16 + 24] = 0x7F;  // the pixel block, after a header of 20 + 4 bytes
  list.add("type-word-high-bytes", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "far");
  add_bytes(&pix, Bytes{0, 0, 0, 0x21, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 4, 0, 0, 0, 1, 1, 2, 3, 4});
  add_texture(&pix, kPixType8Bit, 4, 1, "never", ramp(4));
  list.add("length-word-wraps", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "a");
  add_header_block(&pix, kPixTypeXrgb, 4, 1, 1, "b");
  add_pixel_block(&pix, 1, 4, ramp(4));
  list.add("zz-order-112", pix, kDefaults);

  // A block of an unknown kind (the newer header), after a good texture.
  pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 1, "first", ramp(4));
  add_bytes(&pix, Bytes{0, 0, 0, 0x3D, 0, 0, 0, 4, 1, 2, 3, 4});
  list.add("zz-unknown-kind", pix, kDefaults);

  // Orders that never complete: a pixel block first, three headers, and a
  // header after "112".
  pix = start_pix_file();
  add_pixel_block(&pix, 4, 1, ramp(4));
  list.add("zz-order-2", pix, kDefaults);
  pix = start_pix_file();
  for (int i = 0; i < 3; ++i) add_header_block(&pix, kPixType8Bit, 4, 4, 1, "h");
  list.add("zz-order-111", pix, kDefaults);
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "a");
  add_header_block(&pix, kPixTypeXrgb, 4, 1, 1, "b");
  add_pixel_block(&pix, 1, 4, ramp(4));
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "c");
  list.add("zz-order-1121", pix, kDefaults);

  // A pixel block whose length word is 0, so that the scan goes on inside
  // its own pixel bytes, which hold a header block.
  pix = start_pix_file();
  add_header_block(&pix, kPixType8Bit, 4, 4, 1, "outer");
  PixFile inner;
  add_header_block(&inner, kPixType8Bit, 4, 4, 1, "inner");
  append_be32(&pix.bytes, kPixelBlockKind);
  append_be32(&pix.bytes, 0);
  append_be32(&pix.bytes, static_cast<uint32_t>(inner.bytes.size()));
  append_be32(&pix.bytes, 1);
  add_bytes(&pix, inner.bytes);
  add_pixel_block(&pix, 4, 1, ramp(4));
  list.add("length-word-zero", pix, kDefaults);

  // A good texture behind a signature one bit away, which the walk passes
  // over.
  pix = start_pix_file();
  add_texture(&pix, kPixType8Bit, 4, 1, "not a PIX file", ramp(4));
  pix.bytes[11] ^= 1;
  list.add("almost-signature", pix, kDefaults);

  // The signature alone.
  list.add("signature-only", start_pix_file(), kDefaults);
  return list.seeds;
}
