#include "pack/texture_files.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/name_text.h"
#include "fileio/folder_listing.h"
#include "fileio/whole_file.h"
#include "image/image_file.h"
#include "naming/extension.h"
#include "naming/output_path.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "0001. go.pix.bmp": digits (at most 9, so that the number fits), a full
// stop, a space, a name of one character at least.
bool parse_file_name(const std::string& name, TextureFile* file) {
  size_t digits = 0;
  while (digits < name.size() && is_digit(name[digits])) ++digits;
  if (digits == 0 || digits > 9 || name.compare(digits, 2, ". ") != 0 || name.size() < digits + 2 + 1) return false;
  file->number = std::stoi(name.substr(0, digits));
  file->file_name = name;
  file->stem = name.substr(digits + 2);
  if (has_image_extension(file->stem) && file->stem.size() > 4) file->stem.resize(file->stem.size() - 4);
  return true;
}

const char kNotRead[] =
    "its images are not numbered in folders of their own, as velmire writes them with -file or -noenum. "
    "velmire-pack reads the trees velmire writes without these two options (\"GO.PIX%c0001. go.pix.bmp\")";

}  // namespace

bool file_is_image(const char* path) {
  uint8_t start[kImageSignatureBytes];
  size_t done = 0;
  int error_number = 0;
  return read_file_start(path, start, sizeof start, &done, &error_number) == FileResult::ok &&
         has_image_signature({start, done});
}

FolderImages classify_images(const char* folder, const std::vector<FolderEntry>& entries,
                             std::vector<TextureFile>* files, std::string* what) {
  files->clear();
  bool images = false;  // any image, numbered or not
  const std::string folder_path = folder;
  for (const FolderEntry& entry : entries) {
    TextureFile file;
    const bool extension = has_image_extension(entry.name);
    if (!parse_file_name(entry.name, &file)) {
      images = images || extension;
      continue;
    }
    file.plain_file = entry.plain_file;
    // A numbered file without an image extension is an image when its
    // content says so: what -extbmp makes of "ARROW", -extoriginal of "go.pix".
    if (extension || file_is_image((folder_path + entry.name).c_str())) files->push_back(std::move(file));
  }
  if (files->empty()) {
    for (size_t i = 0; i < entries.size() && !images; ++i)
      images = entries[i].plain_file && file_is_image((folder_path + entries[i].name).c_str());
    return images ? FolderImages::unnumbered : FolderImages::none;
  }
  std::stable_sort(files->begin(), files->end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  for (size_t i = 0; i < files->size(); ++i) {
    const TextureFile& file = (*files)[i];
    if (i > 0 && file.number == (*files)[i - 1].number) {
      *what = "two images are numbered " + std::to_string(file.number) + ": " + (*files)[i - 1].file_name +
              " and " + file.file_name;
      return FolderImages::problem;
    }
    if (file.number != static_cast<int32_t>(i + 1)) {
      *what = "no image is numbered " + std::to_string(i + 1) + " (the numbers must run from 1 without a gap)";
      return FolderImages::problem;
    }
  }
  return FolderImages::found;
}

bool texture_name_of(const TextureFile& file, const std::string* old_stem, std::string_view old_name,
                     std::string* name) {
  name->clear();
  if (old_stem != nullptr) {
    const std::string& stem = *old_stem;
    const size_t dot = stem.rfind('.');
    // -extaddbmp, and -extbmp2 or -extoriginal on a name without a full
    // stop; -extbmp and -extbmp2 replacing the extension.
    if (!stem.empty() && (file.stem == stem || (dot != std::string::npos && file.stem == stem.substr(0, dot)))) {
      name->assign(old_name);
      return true;
    }
  }
  return is_nameless_stem(file.stem) || name_of_text(file.stem, name);
}

void print_not_read(FILE* err, const char* folder) {
  std::fprintf(err, "Nothing is packed from folder %s: ", folder);
  std::fprintf(err, kNotRead, kPathSeparator);
  std::fprintf(err, "\n");
}

bool subfolder(const PathBuffer& parent, const FolderEntry& entry, PathBuffer* folder, FileStatus* status) {
  *folder = parent;
  return !entry.plain_file && entry.name != "." && entry.name != ".." && path_append(folder, entry.name, std::string_view(&kPathSeparator, 1)) &&
         get_file_status(folder->text, status) == 0 && status->kind == EntryKind::folder;
}

FolderImages look_into(const PathBuffer& folder, std::vector<FolderEntry>* entries, std::vector<TextureFile>* files,
                       std::string* what) {
  entries->clear();
  if (list_folder_in_order(folder.text, entries) != 0) return FolderImages::none;
  return classify_images(folder.text, *entries, files, what);
}

