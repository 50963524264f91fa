#include "pack/texture_files.h"

#include <algorithm>

#include "walk/extract_folder.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "0001. go.pix.bmp": digits (at most 9, so that the number fits), a full
// stop, a space, a stem of one character at least, .bmp or .png.
bool parse_file_name(const std::string& name, TextureFile* file) {
  size_t digits = 0;
  while (digits < name.size() && is_digit(name[digits])) ++digits;
  if (digits == 0 || digits > 9 || name.compare(digits, 2, ". ") != 0 || name.size() < digits + 2 + 1 + 4)
    return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(), lower);
  if (extension != ".bmp" && extension != ".png") return false;
  file->number = std::stoi(name.substr(0, digits));
  file->file_name = name;
  file->stem = name.substr(digits + 2, name.size() - 4 - digits - 2);
  return true;
}

}  // namespace

FolderImages list_texture_files(const char* folder, std::vector<TextureFile>* files, std::string* what) {
  std::vector<FolderEntry> entries;
  if (list_folder_in_order(folder, &entries) != 0) return FolderImages::none;
  files->clear();
  for (const FolderEntry& entry : entries) {
    TextureFile file;
    if (parse_file_name(entry.name, &file)) files->push_back(file);
  }
  if (files->empty()) return FolderImages::none;
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

std::string texture_name_of_stem(const std::string& stem) {
  if (stem == "no_name") return "";
  const std::string prefix = "no_name_";
  bool numbered = stem.size() >= prefix.size() + 2 && stem.compare(0, prefix.size(), prefix) == 0 &&
                  std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(prefix.size()), stem.end(), is_digit);
  return numbered ? "" : stem;
}
