#include "cli/folders.h"

#include <cerrno>

#include "fileio/whole_file.h"
#include "palette/palette_file.h"
#include "platform/platform.h"

void print_folder_error(FILE* err, int error_number, const char* path) {
  switch (error_number) {
    case ENOENT:
      std::fprintf(err, "ERROR: The directory %s does not exist\n", path);
      break;
    case EACCES:
      std::fprintf(err,
                   "ERROR: Read permission is denied for the directory %s or the search "
                   "permission is denied for the component of the path prefix\n",
                   path);
      break;
    case ENOTDIR:
      std::fprintf(err, "ERROR: The path %s is not a directory\n", path);
      break;
    case ENFILE:
      std::fprintf(err, "ERROR: Too many files are currently open in the system\n");
      break;
    case EMFILE:
      std::fprintf(err,
                   "ERROR: OPEN_MAX file descriptors are currently open in this calling process\n");
      break;
    case ENAMETOOLONG:
      std::fprintf(err,
                   "ERROR: The length of the dirname %s argument exceeds PATH_MAX, or a pathname "
                   "component is longer than NAME_MAX\n",
                   path);
      break;
    default:
      break;
  }
}

// Stores a folder argument with exactly one trailing separator. An empty
// argument is kept empty (it fails as a missing folder later); one that
// does not fit the path buffer is refused here. Returns false after its
// message.
static bool store_folder_argument(const char* argument, PathBuffer* path, FILE* err) {
  if (argument[0] == '\0') {
    path_assign(path, "");
    return true;
  }
  if (!path_assign_folder(path, argument)) {
    print_path_too_long(err, argument);
    return false;
  }
  return true;
}

// Opens the folder to see that it can be listed. An empty path names no
// folder. Returns 0 or the error number.
static int check_folder(const PathBuffer& path) {
  if (path.length == 0) return ENOENT;
  return probe_folder(path.text);
}

static int prepare_folders(const char* source_argument, const char* destination_argument, PathBuffer* source,
                           PathBuffer* destination, FILE* err, bool create_destination) {
  if (!store_folder_argument(source_argument, source, err)) return 1;
  if (!store_folder_argument(destination_argument, destination, err)) return 1;
  if (int error_number = check_folder(*source); error_number != 0) {
    print_folder_error(err, error_number, source->text);
    return 1;
  }
  if (int error_number = check_folder(*destination); error_number != 0) {
    if (error_number != ENOENT || destination->length == 0 || !create_destination) {
      print_folder_error(err, error_number, destination->text);
      return 1;
    }
    create_path_folders(path_view(*destination), kPathSeparator);
  }
  return 0;
}

int prepare_run(const char* const* argv, PreparedRun* run, FILE* out, FILE* err, bool create_destination) {
  if (prepare_folders(argv[1], argv[2], &run->source, &run->destination, err, create_destination) != 0) return 1;
  if (choose_palette(argv[3], &run->palette_from_file, &run->palette, out, err) != 0) return 1;
  if (int error_number = open_output_tree(run->destination, &run->output_tree); error_number != 0) {
    print_folder_error(err, error_number, run->destination.text);
    return 1;
  }
  return 0;
}
