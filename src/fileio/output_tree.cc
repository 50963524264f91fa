#include "fileio/output_tree.h"

#include "fileio/whole_file.h"

int open_output_tree(const PathBuffer& destination, OutputTree* tree) {
  tree->root = destination;
  return open_folder(destination.text, &tree->root_folder);
}

void close_output_tree(OutputTree* tree) {
  while (!tree->levels.empty()) {
    close_folder(&tree->levels.back().folder);
    tree->levels.pop_back();
  }
  close_folder(&tree->root_folder);
}

const FolderHandle* enter_output_folder(OutputTree* tree, std::string_view folder_path, bool create) {
  const std::string_view root = path_view(tree->root);
  if (tree->root_folder.value == -1 || folder_path.substr(0, root.size()) != root) return nullptr;
  std::string_view rest = folder_path.substr(root.size());
  // The folders already held that the path goes through stay held; the
  // others are let go, innermost first.
  size_t depth = 0;
  for (std::string_view walk = rest; depth < tree->levels.size(); ++depth) {
    size_t end = walk.find(kPathSeparator);
    if (end == std::string_view::npos || walk.substr(0, end) != tree->levels[depth].name) break;
    walk.remove_prefix(end + 1);
  }
  while (tree->levels.size() > depth) {
    close_folder(&tree->levels.back().folder);
    tree->levels.pop_back();
  }
  for (size_t skipped = 0; skipped < depth; ++skipped) rest.remove_prefix(tree->levels[skipped].name.size() + 1);
  for (size_t end; (end = rest.find(kPathSeparator)) != std::string_view::npos; rest.remove_prefix(end + 1)) {
    if (end == 0) continue;
    const FolderHandle& parent = tree->levels.empty() ? tree->root_folder : tree->levels.back().folder;
    OutputTree::Level level{std::string(rest.substr(0, end)), {}};
    if (create) make_folder_at(parent, level.name.c_str());
    if (open_folder_at(parent, level.name.c_str(), &level.folder) != 0) return nullptr;
    tree->levels.push_back(std::move(level));
  }
  return tree->levels.empty() ? &tree->root_folder : &tree->levels.back().folder;
}

const FolderHandle* output_folder_of(OutputTree* tree, const char* path, const char** name) {
  std::string_view whole = path;
  size_t last = whole.rfind(kPathSeparator);
  if (last == std::string_view::npos) return nullptr;
  *name = path + last + 1;
  return enter_output_folder(tree, whole.substr(0, last + 1), false);
}

int write_output_file(OutputTree* tree, const char* path, const void* data, uint32_t size, FILE* err,
                      std::span<const uint8_t> protected_prefix) {
  const char* name = nullptr;
  const FolderHandle* folder = output_folder_of(tree, path, &name);
  if (folder == nullptr) {
    std::fprintf(err, "Cannot open file %s for writing", path);
    return 1;
  }
  return write_whole_file(*folder, name, path, data, size, 1, err, protected_prefix);
}
