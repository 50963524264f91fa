#include "pix_file_run.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "common/path_buffer.h"
#include "naming/output_path.h"
#include "pix/pix_blocks.h"
#include "walk/extract_folder.h"
#include "walk/extract_textures.h"
#include "pix_writer.h"

namespace fs = std::filesystem;

namespace {

void choose_options(uint8_t byte, RunContext* context) {
  RunOptions& options = context->options;
  options.organizational_mode = (byte & 0x01) != 0 ? kFileMode : kFolderMode;
  options.enumerate = (byte & 0x02) != 0 ? 0 : 1;
  // Without "-file" the PIX file's name is always there: the bit means "-c2".
  if (options.organizational_mode == kFileMode)
    options.pixpack_name = (byte & 0x04) != 0 ? 0 : 1;
  else
    options.c2 = (byte & 0x04) != 0 ? 1 : 0;
  options.extension_mode = static_cast<uint8_t>(kExtAddBmp - ((byte >> 3) & 0x03));
  options.top_down = (byte & 0x20) != 0 ? 1 : 0;
  context->palette = (byte & 0x40) != 0 ? &kRacePalette : &kMenuPalette;
  if ((byte & 0x80) != 0) options.image_format = kImagePng, options.transparent = 1, options.own_palette = 1;
}

// The walk's per-file step, the file in a heap block of exactly its size:
// the texture sequence over it, the destination set back after.
void run_pix_file(std::span<const uint8_t> input, const std::string& destination,
                  const RunContext& context) {
  PathBuffer destination_path;
  if (!path_assign(&destination_path, destination)) std::abort();
  auto* copy = static_cast<uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
  if (copy == nullptr) std::abort();
  if (!input.empty()) std::memcpy(copy, input.data(), input.size());

  std::string pix_path = std::string("src") + kPathSeparator + kFuzzEntryName;
  OutputTree tree;
  if (open_output_tree(destination_path, &tree) != 0) std::abort();
  RunContext with_tree = context;
  with_tree.output_tree = &tree;
  OutputFolders folders;
  begin_output_folders(&folders, &destination_path, &tree);
  TextureSequence sequence;
  const std::span<const uint8_t> file(copy, input.size());
  const bool pix = input.size() >= kPixSignature.size() &&
                   std::equal(kPixSignature.begin(), kPixSignature.end(), input.begin());
  if (!pix && context.options.c2 == 1)
    walk_archive_members(file, pix_path.c_str(), kFuzzEntryName, &sequence, &folders, with_tree);
  else
    scan_pix_blocks(file, pix_path.c_str(), kFuzzEntryName, {}, &sequence, &folders, with_tree);
  restore_destination(&folders);
  close_output_tree(&tree);
  std::free(copy);
}

// A PIX file holding a texture called GO.PIX, and where it is planted:
// where bare names put that texture in file mode, and in folder mode
// without numbers and with the original extension.
std::vector<uint8_t> planted_pix_file() {
  PixFile pix = start_pix_file();
  add_texture(&pix, kType8Bit, 4, 1, "GO.PIX", std::vector<uint8_t>(4, 9));
  return pix.bytes;
}

const char* const kPlantedPaths[] = {"GO.PIX", "FUZZ.PIX/GO.PIX"};

std::vector<uint8_t> read_bytes(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

// Whether `relative` is one of the folders along kFuzzDestination, or the
// destination itself.
bool on_destination_path(const std::string& relative) {
  const std::string destination = kFuzzDestination;
  return destination.compare(0, relative.size(), relative) == 0 &&
         (relative.size() == destination.size() || destination[relative.size()] == '/');
}

}  // namespace

std::string fuzz_one_input(std::span<const uint8_t> input, const std::string& root, FILE* out,
                           FILE* err, ScratchBuffers* scratch) {
  fs::path destination = fs::path(root) / kFuzzDestination;
  const std::vector<uint8_t> planted = planted_pix_file();
  for (const char* relative : kPlantedPaths) {
    fs::path path = destination / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(planted.data()), static_cast<std::streamsize>(planted.size()));
  }

  ExtractionTotals totals;
  RunContext context;
  context.totals = &totals;
  context.out = out;
  context.err = err;
  context.scratch = scratch;
  choose_options(input.empty() ? 0 : input.back(), &context);
  run_pix_file(input, destination.string() + kPathSeparator, context);

  std::string problem = check_outputs(root, input.size());
  for (const char* relative : kPlantedPaths) {
    if (problem.empty() && read_bytes(destination / relative) != planted)
      problem = std::string("the planted PIX file ") + relative + " was changed";
  }
  return problem;
}

std::string check_outputs(const std::string& root, size_t input_size) {
  // The BMP header, the palette of 8-bit files and at most every byte of
  // the PIX file; a PNG file adds a byte per row (at most one per byte of
  // the PIX file) and its chunks. Decoded 2-byte pixels take 4 bytes, and a
  // PNG row of one such pixel 5.
  const uint64_t largest = 3 * (54 + 1024 + uint64_t{input_size});
  const std::string inside = std::string(kFuzzDestination) + "/";
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = it->path().lexically_relative(root).generic_string();
    if (relative.compare(0, inside.size(), inside) != 0) {
      if (on_destination_path(relative) && it->is_directory(error)) continue;
      return "created outside the destination: " + it->path().string();
    }
    if (!it->is_regular_file(error)) continue;
    uint64_t size = it->file_size(error);
    if (!error && size > largest)
      return it->path().string() + " holds " + std::to_string(size) + " bytes, more than " +
             std::to_string(largest);
  }
  if (error) return "cannot list " + root + ": " + error.message();
  return "";
}
