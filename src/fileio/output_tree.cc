#include "fileio/output_tree.h"

#include <cerrno>

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

namespace {

const FolderHandle& parent_of_level(const OutputTree& tree, size_t level) {
  return level == 0 ? tree.root_folder : tree.levels[level - 1].folder;
}

// Opens a level made by this run and not opened yet. Returns false when it
// cannot be: something else stands there now.
bool open_level(OutputTree* tree, size_t level) {
  FolderHandle& folder = tree->levels[level].folder;
  return folder.value != -1 ||
         open_folder_at(parent_of_level(*tree, level), tree->levels[level].name.c_str(), &folder) == 0;
}

}  // namespace

bool enter_output_folder(OutputTree* tree, std::string_view folder_path, bool create) {
  const std::string_view root = path_view(tree->root);
  if (tree->root_folder.value == -1 || folder_path.substr(0, root.size()) != root) return false;
  std::string_view rest = folder_path.substr(root.size());
  // The folders already entered that the path goes through stay; the others
  // are let go, innermost first.
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
    if (!tree->levels.empty() && !open_level(tree, tree->levels.size() - 1)) return false;
    const FolderHandle& parent = parent_of_level(*tree, tree->levels.size());
    OutputTree::Level level{std::string(rest.substr(0, end)), {}, false};
    const bool made = create && make_folder_at(parent, level.name.c_str()) == FolderCreation::created;
    level.made = made;
    // A folder just made is opened only when it is needed as a folder: its
    // files are made by their path from its parent (create_new_file_below),
    // which spares the two calls of opening and closing it.
    const bool last = rest.find(kPathSeparator, end + 1) == std::string_view::npos;
    if (!(made && last) && open_folder_at(parent, level.name.c_str(), &level.folder) != 0) return false;
    tree->levels.push_back(std::move(level));
  }
  return true;
}

const FolderHandle* held_output_folder(OutputTree* tree) {
  if (tree->levels.empty()) return &tree->root_folder;
  return open_level(tree, tree->levels.size() - 1) ? &tree->levels.back().folder : nullptr;
}

const FolderHandle* entered_folder(OutputTree* tree, size_t level) {
  return level < tree->levels.size() && open_level(tree, level) ? &tree->levels[level].folder : nullptr;
}

bool output_folder_is_new(const OutputTree& tree) {
  return !tree.levels.empty() && tree.levels.back().made;
}

int write_output_file(OutputTree* tree, const char* path, const void* data, uint32_t size, FILE* err,
                      std::span<const uint8_t> protected_prefix) {
  std::string_view whole = path;
  size_t last = whole.rfind(kPathSeparator);
  const char* name = path + last + 1;
  if (last == std::string_view::npos || !enter_output_folder(tree, whole.substr(0, last + 1), false)) {
    std::fprintf(err, "Cannot open file %s for writing\n", path);
    return 1;
  }
  if (!tree->levels.empty() && tree->levels.back().folder.value == -1) {
    // The folder was made by this run: a new file goes in by its path from
    // the parent, no link followed on the way. A file there already (whose
    // start decides whether it may be replaced), or a system that cannot
    // resolve a path so, takes the folder's own handle below.
    const OutputTree::Level& level = tree->levels.back();
    const std::string relative = level.name + kPathSeparator + name;
    FileHandle file;
    int error_number = create_new_file_below(parent_of_level(*tree, tree->levels.size() - 1), relative.c_str(), &file);
    if (error_number == 0) return write_opened_file(file, path, data, size, err) == FileResult::ok ? 0 : 1;
    if (error_number != EEXIST && error_number != ENOSYS) {
      std::fprintf(err, "Cannot open file %s for writing\n", path);
      return 1;
    }
  }
  const FolderHandle* folder = held_output_folder(tree);
  if (folder == nullptr) {
    std::fprintf(err, "Cannot open file %s for writing\n", path);
    return 1;
  }
  return write_whole_file(*folder, name, path, data, size, err, protected_prefix) == FileResult::ok ? 0 : 1;
}
