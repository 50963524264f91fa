#include "fileio/folder_listing.h"

#include <algorithm>

#include "common/ascii.h"

bool listing_order(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;  // equal bytes fold to equal bytes
    const auto x = static_cast<unsigned char>(ascii_upper(a[i]));
    const auto y = static_cast<unsigned char>(ascii_upper(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

int list_folder_in_order(const char* path, std::vector<FolderEntry>* entries) {
  if (int error_number = list_folder(path, entries); error_number != 0) return error_number;
  std::sort(entries->begin(), entries->end(),
            [](const FolderEntry& a, const FolderEntry& b) { return listing_order(a.name, b.name); });
  return 0;
}
