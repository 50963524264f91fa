#include "image_reader_run.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "image/image_file.h"

namespace {

// Sets the CRC of every whole chunk after a PNG signature to the right value.
// Returns whether any was wrong.
bool correct_png_crcs(std::vector<uint8_t>* bytes) {
  auto word = [bytes](size_t at) {
    const uint8_t* b = bytes->data() + at;
    return uint32_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3];
  };
  bool corrected = false;
  for (size_t at = 8; bytes->size() - at >= 12 && word(at) <= bytes->size() - at - 12; at += 12 + word(at)) {
    const size_t end = at + 8 + word(at);
    const auto crc = static_cast<uint32_t>(crc32(0, bytes->data() + at + 4, word(at) + 4));
    if (word(end) == crc) continue;
    for (int i = 0; i < 4; ++i) (*bytes)[end + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    corrected = true;
  }
  return corrected;
}

// Whether the `size` bytes at `start` lie within `area`.
bool lies_in(const uint8_t* start, uint64_t size, std::span<const uint8_t> area) {
  return !area.empty() && start >= area.data() && size <= area.size() &&
         start - area.data() <= static_cast<ptrdiff_t>(area.size() - size);
}

std::string check_once(const std::vector<uint8_t>& input) {
  DecodedImage image;
  ImageBuffers buffers;
  std::string problem;
  if (!read_image(input, kDefaultMaxPixels, &buffers, &image, &problem))
    return problem.empty() ? "a failure without a problem text" : "";
  const uint64_t pixel_bytes = uint64_t{image.width} * layout_of(image.kind).size;
  const bool png = image.format == ImageFormat::png;
  const bool indexed = image.kind == PixelKind::indexed;
  // Every row inside the input (rows read where they lie) or the buffer,
  // each byte read so that the sanitizers see it.
  const std::span<const uint8_t> area = image.stored_rows ? std::span<const uint8_t>(input) : buffers.pixels;
  bool rows_inside = image.height > 0;
  uint32_t sum = 0;
  for (uint32_t y = 0; y < image.height && rows_inside; ++y) {
    const uint8_t* row = image_row(image, y);
    rows_inside = lies_in(row, image.row_bytes, area);
    for (uint32_t i = 0; rows_inside && i < image.row_bytes; ++i) sum += row[i];
  }
  const char* wrong =
      image.width < 1 || image.width > kMaxImageSide || image.height < 1 || image.height > kMaxImageSide ||
              uint64_t{image.width} * image.height > kDefaultMaxPixels
          ? "a size out of range"
      : image.row_bytes < pixel_bytes || (!image.stored_rows && image.row_bytes != pixel_bytes) ? "rows of the wrong length"
      : !rows_inside ? "rows outside the input and the pixel buffer"
      : indexed == image.palette.empty() || image.palette.size() % 4 != 0 || image.palette.size() > 1024
          ? "a palette where it does not belong, or of a wrong size"
      : png == (input[0] == 'B') || (image.kind == PixelKind::rgba && !png && image.stored_rows) ||
              ((image.kind == PixelKind::bgr || image.kind == PixelKind::bgrx || image.kind == PixelKind::bgra) && png)
          ? "a format or pixel kind that does not fit the file"
      : png && buffers.pixels.size() > decoded_bytes_limit(input.size())
          ? "more pixel bytes than its size allows"
      : nullptr;
  if (wrong == nullptr) return sum == 1 ? "" : "";  // the sum keeps the reads
  return std::to_string(image.width) + " x " + std::to_string(image.height) + " pixels, " +
         std::to_string(image.row_bytes) + " bytes per row, " + std::to_string(image.palette.size()) +
         " palette bytes: " + wrong;
}

}  // namespace

std::string decoded_pixels(std::span<const uint8_t> input) {
  DecodedImage image;
  ImageBuffers buffers;
  std::string problem;
  if (!read_image(input, kDefaultMaxPixels, &buffers, &image, &problem)) return "refused: " + problem;
  std::string text = std::to_string(image.width) + "x" + std::to_string(image.height);
  const PixelLayout& layout = layout_of(image.kind);
  for (uint32_t y = 0; y < image.height; ++y) {
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint8_t* pixel = image_row(image, y) + uint64_t{x} * layout.size;
      uint8_t alpha = layout.alpha >= 0 ? pixel[layout.alpha] : 255;
      char colour[12];
      if (image.kind == PixelKind::indexed && 4u * pixel[0] >= image.palette.size()) {
        std::snprintf(colour, sizeof colour, " ?%02x", pixel[0]);  // an index past the colour table
      } else {
        const uint32_t rgb = image.kind == PixelKind::indexed
                                 ? palette_entry(image, pixel[0], &alpha)
                                 : uint32_t{pixel[layout.red]} << 16 | pixel[layout.green] << 8 | pixel[layout.blue];
        std::snprintf(colour, sizeof colour, " %06x%02x", rgb, alpha);
      }
      text += colour;
    }
  }
  return text;
}

std::string check_image_input(std::span<const uint8_t> input) {
  std::vector<uint8_t> copy(input.begin(), input.end());
  std::string problem = check_once(copy);
  if (problem.empty() && copy.size() >= 8 && copy[0] == 0x89 && correct_png_crcs(&copy))
    problem = check_once(copy);
  return problem;
}

std::string check_seed_pixels(const std::string& seeds, const std::string& expected) {
  std::map<std::string, std::string> lines;
  std::ifstream manifest(expected);
  for (std::string line; std::getline(manifest, line);)
    if (!line.empty() && line[0] != '#') lines[line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1);
  std::string problems;
  size_t seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string name = entry.path().filename().string(), pixels = decoded_pixels(bytes);
    ++seen;
    if (lines[name] != pixels) problems += name + " reads as " + pixels + "\n  not as " + lines[name] + "\n";
  }
  if (seen == 0 || seen != lines.size()) problems += "the seeds and " + expected + " do not list the same files\n";
  return problems;
}
