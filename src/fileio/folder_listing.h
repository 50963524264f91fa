// Folder listings in the order both programs handle their entries.
#pragma once

#include <string_view>
#include <vector>

#include "platform/platform.h"

// Bytes compared with a-z folded to A-Z, ties broken by the raw bytes, so
// that every file system gives the same report.
bool listing_order(std::string_view a, std::string_view b);

// The entries of a folder in that order ("." and ".." among them where the
// system lists them). Returns 0, or the error number.
int list_folder_in_order(const char* path, std::vector<FolderEntry>* entries);
