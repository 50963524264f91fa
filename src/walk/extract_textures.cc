#include "walk/extract_textures.h"

#include <cstdio>

#include "image/texture_image.h"
#include "walk/texture_report.h"

namespace {

// The state of one PIX file's scan.
struct FileScan {
  const char* pix_path;
  std::string_view entry_name;
  std::string_view archive_name;
  int32_t texture_number = 0;
  int32_t nameless_count = 0;
};

// Names, checks, writes and reports a completed texture. Returns 0, or 1
// after a message.
int hand_off_texture(FileScan* scan, const TextureSequence& sequence, OutputFolders* folders,
                     const RunContext& context) {
  const Texture texture = texture_of(sequence);
  ++scan->texture_number;
  TextureLabel label{scan->pix_path, scan->entry_name, scan->texture_number, sequence.first_header.name,
                     scan->archive_name};

  if (compose_output_path(folders, label, &scan->nameless_count, context.options,
                          image_extension(context.options.image_format), context.err) != 0)
    return kWalkFolderFailed;
  if (texture.splat_pack &&
      (sequence.first_header.PixType != kPixType8Bit || sequence.second_header.PixType != kPixTypeXrgb)) {
    std::fprintf(context.err, "Unsupported splat pack texture\n");
    return kWalkFolderFailed;
  }
  const bool c2 = context.options.c2 == 1;
  const PixelType* type = texture_pixel_type(texture);
  char what[96];
  if ((type == nullptr || type->newer) && !c2) {
    std::snprintf(what, sizeof what, "Unknown PixType field, is %d\n", texture.header->PixType);
    print_texture_error(context.err, label, what);
    return kWalkFolderFailed;
  }
  if (type == nullptr) {
    // BRender knows more types (sub-byte indices, depth, YUV, ...) than
    // images can hold; the file's other textures are still good.
    std::snprintf(what, sizeof what, "pixel type %d cannot be extracted, so the texture is skipped\n",
                  texture.header->PixType);
    print_texture_error(context.err, label, what);
    note_walk_message(context);
    return kWalkDone;
  }
  if (context.page != nullptr && is_html_page_path(*context.page, folders->output_path.text)) {
    std::fprintf(context.err, "Cannot open file %s for writing: it is the page -html writes\n",
                 folders->output_path.text);
    return kWalkFolderFailed;
  }
  const OutputFile file{context.output_tree, folders->output_path.text,
                        context.scratch != nullptr ? &context.scratch->image : nullptr, context.err};
  if (write_texture_image(texture, label, context.options, context.palette, file) != 0) return kWalkFolderFailed;
  const ReportCode code = report_texture(texture, label, *folders, context);
  if (context.page != nullptr)
    add_page_figure(context.page, label.pix_path, folders->output_path.text,
                    {label.number, label.name, texture.header->width, texture.header->height, code.code,
                     type->format, code.well_formed, !scan->archive_name.empty()});
  return kWalkDone;
}

}  // namespace

int scan_pix_blocks(std::span<const uint8_t> file, const char* pix_path, std::string_view entry_name,
                    std::string_view archive_name, TextureSequence* sequence, OutputFolders* folders,
                    const RunContext& context) {
  FileScan scan{pix_path, entry_name, archive_name};
  *sequence = TextureSequence{};
  uint64_t position = sizeof kPixSignature;
  const HeaderKinds kinds = context.options.c2 == 1 ? HeaderKinds::game_and_newer : HeaderKinds::game;
  int result = kWalkDone;
  for (bool more = true; more;) {
    switch (next_texture(file, &position, sequence, kinds)) {
      case BlockScan::texture:
        result = hand_off_texture(&scan, *sequence, folders, context);
        more = result == kWalkDone;
        break;
      case BlockScan::end:
        return kWalkDone;
      case BlockScan::truncated:
        std::fprintf(context.err, "Truncated block in file %s, offset %llu\n", pix_path,
                     static_cast<unsigned long long>(position));
        note_walk_message(context);
        return kWalkDone;
      case BlockScan::unknown_block:
        std::fprintf(context.err, "Unknown header byte, must be 00 00 00 03%s or 00 00 00 21. File %s, offset %llu\n",
                     kinds == HeaderKinds::game ? "" : ", 00 00 00 3D", pix_path,
                     static_cast<unsigned long long>(position));
        // A block of the newer kind, which "-c2" reads: one more file for the hint.
        if (kinds == HeaderKinds::game && is_newer_header_block(file, position) && context.outcome != nullptr)
          ++context.outcome->newer_files;
        result = kWalkUnknownBlock;
        more = false;
        break;
      case BlockScan::unknown_order:
        std::fprintf(context.err, "Unknown texture order, must be a 12 type or 1122 type\n");
        result = kWalkUnknownOrder;
        more = false;
        break;
    }
  }
  note_walk_message(context);
  return result;
}

int past_damaged_file(int result, const RunContext& context) {
  const bool damaged = result == kWalkLoadFailed || result == kWalkUnknownBlock || result == kWalkUnknownOrder;
  return context.options.keep_going == 1 && damaged ? kWalkDone : result;
}
