// Output file names and the destination folder of one walk level.
#pragma once

#include <cstdint>
#include <cstdio>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/path_buffer.h"
#include "common/run_options.h"
#include "common/texture_label.h"
#include "fileio/output_tree.h"

// The folders of one walk level. The destination grows by the PIX file's
// own subfolder (folder mode) on the file's first texture and is set back
// after every file.
struct OutputFolders {
  OutputTree* tree = nullptr;         // where the folders are made
  PathBuffer* destination = nullptr;  // the caller's buffer, edited in place
  PathBuffer saved_destination;       // the destination as the level received it
  PathBuffer output_path;             // the current texture's BMP file
};

// The texture name as it becomes part of a file name (its text: on Windows
// the Windows-1252 characters of its bytes), every character that must not
// be in one ('/', '\\', and on Windows those its file names refuse)
// replaced by '_', into `copy` (kPathBufferSize bytes). Returns false when
// the name does not fit a path buffer.
bool copy_texture_name(std::string_view name, char* copy);

// The name of a member of an archive as the file name it is walked under
// (the name of its folder, or in file mode the start of its images' names):
// made safe as texture names are, and "", "." and ".." become "_" and "__",
// so that its folder is one of its own. Returns false when it does not fit.
bool copy_member_name(std::string_view name, PathBuffer* copy);

// The folder names an archive's members have taken so far, in upper case.
// A member whose folder name (made safe by copy_member_name) repeats an
// earlier member's in any letter case would write into that member's
// folder, or into one a file system that folds case takes for it: both
// programs leave it out.
struct MemberFolders {
  std::vector<std::pair<std::string, std::string_view>> taken;  // folded folder name, the member's name
};

// Takes `folder_name` for the member `member_name`. Returns true when it
// was free, else false with the name of the earlier member that has it in
// `earlier` (the member is then left out).
bool take_member_folder(MemberFolders* folders, std::string_view folder_name, std::string_view member_name,
                        std::string_view* earlier);

// The name a texture without a name goes by in file names: no_name for the
// first of its PIX file, then no_name_02, no_name_03, ... (`count` of them
// so far, this one included), written into `stem` (at least 16 bytes).
void nameless_stem(int32_t count, char* stem, size_t size);

// Whether a file name's stem is one that nameless_stem gives.
bool is_nameless_stem(std::string_view stem);

// Starts a walk level on the caller's destination folder, inside `tree`.
void begin_output_folders(OutputFolders* folders, PathBuffer* destination, OutputTree* tree);

// Sets the destination back to what the level received, after a PIX file.
void restore_destination(OutputFolders* folders);

// Composes the BMP file's path for a completed texture into
// folders->output_path: the destination folder (in folder mode extended by
// the PIX file's name on its first texture), in file mode the PIX file's name
// and " - ", the number when enumerating, then the texture name with the
// extension the mode asks for (`extension`, in upper case, the image
// format's). Separators in the texture name become '_', so
// no name can place a file outside the destination (on Windows so do the
// other bytes its file names refuse, such as ':', and a file name Windows
// reserves for a device, such as CON, gets a '_' in front). On the first
// texture of a file it creates the folders along the destination, without
// following a link below it. Returns 0, or 1 after a message when the path
// would not fit (nothing is created then).
int compose_output_path(OutputFolders* folders, const TextureLabel& label, int32_t* nameless_count,
                        const RunOptions& options, std::string_view extension, FILE* err);
