#include "pack/texture_files.h"

#include <algorithm>

#include "common/name_text.h"
#include "fileio/whole_file.h"
#include "pack/image_file.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool has_image_extension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(), lower);
  return extension == ".bmp" || extension == ".png";
}

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

}  // namespace

bool file_is_image(const char* path) {
  uint8_t start[kImageSignatureBytes];
  size_t done = 0;
  return read_file_start(path, start, sizeof start, &done) == 0 && has_image_signature({start, done});
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
  if (file.stem == "no_name") return true;
  const std::string prefix = "no_name_";
  bool numbered = file.stem.size() >= prefix.size() + 2 && file.stem.compare(0, prefix.size(), prefix) == 0 &&
                  std::all_of(file.stem.begin() + static_cast<std::ptrdiff_t>(prefix.size()), file.stem.end(), is_digit);
  return numbered || name_of_text(file.stem, name);
}
