#include "palette/palette_file.h"

#include <span>
#include <string_view>

#include "common/byte_buffer.h"
#include "fileio/whole_file.h"
#include "pix/pix_blocks.h"
#include "platform/platform.h"

namespace {

// Checks the loaded file's blocks and fills the table. Returns true, or
// false after a message that says what is wrong.
bool read_palette(std::span<const uint8_t> file, const char* path, PaletteTable* table, FILE* err) {
  PixHeader header;
  PixPixels pixels;
  const uint64_t header_at = sizeof kPixSignature;
  if (decode_header_block(file, header_at, &header) != kBlockDecoded) {
    std::fprintf(err, "ERROR: The palette file %s holds no pixelmap\n", path);
    return false;
  }
  if (header.PixType != kPixTypeXrgb) {
    std::fprintf(err, "ERROR: The palette file %s holds a pixelmap of pixel type %d, not 7 (4 bytes per entry)\n",
                 path, header.PixType);
    return false;
  }
  const uint64_t pixels_at = header_at + header_block_extent(header);
  if (pixels_at + 4 > file.size() || file[pixels_at + 3] != kPixelBlockKind ||
      decode_pixel_block(file, pixels_at, &pixels) != kBlockDecoded) {
    std::fprintf(err, "ERROR: The palette file %s ends before the entries of its pixelmap\n", path);
    return false;
  }
  if (pixels.element_count != kPaletteEntries || pixels.element_size != 4) {
    std::fprintf(err, "ERROR: The palette file %s holds %u entries of %u bytes, not 256 entries of 4 bytes\n",
                 path, pixels.element_count, pixels.element_size);
    return false;
  }
  const uint64_t next = pixels_at + 16 + uint64_t{pixels.block_length};
  if (next + 4 <= file.size() && header_fixed_bytes(file[next + 3]) != 0) {
    std::fprintf(err, "ERROR: The palette file %s holds more than one pixelmap\n", path);
    return false;
  }
  *table = palette_from_xrgb(pixels.pixels.first<kPaletteBytes>());
  return true;
}

}  // namespace

int load_palette_file(const char* path, PaletteTable* table, FILE* err) {
  ByteBuffer buffer;
  std::span<const uint8_t> file;
  const FileResult loaded = check_and_load_file(path, kPixSignature, &buffer, &file, err);
  bool read = false;
  if (loaded == FileResult::other) {
    std::fprintf(err, "ERROR: The palette file %s is not a PIX file\n", path);
  } else if (loaded != FileResult::ok) {
    std::fprintf(err, "ERROR: The palette file %s cannot be read\n", path);
  } else {
    read = read_palette(file, path, table, err);
  }
  release_bytes(&buffer);
  return read ? 0 : 1;
}

int choose_palette(const char* argument, PaletteTable* from_file, const PaletteTable** chosen, FILE* out,
                   FILE* err) {
  std::string_view word = argument;
  FileStatus status;
  if (word == "-menupal") {
    *chosen = &kMenuPalette;
  } else if (word == "-racepal") {
    *chosen = &kRacePalette;
  } else if (get_file_status(argument, &status) == 0 && status.kind == EntryKind::file) {
    if (load_palette_file(argument, from_file, err) != 0) return 1;
    *chosen = from_file;
  } else {
    std::fprintf(out, "Incorrect parameter: %s. Must be -menupal or -racepal\n", argument);
    return 1;
  }
  return 0;
}
