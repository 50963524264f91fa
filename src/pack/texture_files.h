// The images of one PIX file, as velmire names them in its default layout:
// a folder named like the PIX file, holding "0001. go.pix.bmp" and so on
// (the texture's number, a full stop and a space, the texture's file name
// as an extension option made it: .bmp or .png added, the extension
// replaced or left as it was).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <cstdio>

#include "common/path_buffer.h"
#include "platform/platform.h"

struct TextureFile {
  int32_t number = 0;
  std::string file_name;  // in its folder
  std::string stem;       // the file name after the number, without an added .bmp or .png
  bool plain_file = false;  // the listing told it is a plain file
};

enum class FolderImages : uint8_t {
  none,        // no image: not the folder of a PIX file
  found,       // numbered 1 to N without a gap
  problem,     // numbered images that do not make a PIX file
  unnumbered,  // images, none of them numbered: a tree velmire-pack does not read
};

// Lists the numbered images of `folder` (a path ending in a separator,
// whose listing is `entries`), in the order of their numbers: files named like "0001. go.pix.bmp" (.bmp or
// .png in either case), and numbered files whose first bytes are those of
// a BMP or PNG file ("0001. go.pix", "0002. ARROW"). Other files are passed
// over. On `problem`, `what` says what is wrong (a gap, two images with one
// number).
FolderImages classify_images(const char* folder, const std::vector<FolderEntry>& entries,
                             std::vector<TextureFile>* files, std::string* what);

// Whether the file at `path` begins like a BMP or PNG file (16 bytes read).
bool file_is_image(const char* path);

// The texture name an image stands for, into `name`. With the texture it
// replaces (its name and the file name velmire gives it, `old_stem`), the
// old name, byte for byte, when the image's name is what velmire makes of
// it with any extension option. Else the name whose text the file's stem
// is; no_name, no_name_02, ... stand for a texture without a name. False
// when the stem holds a character no byte of a name stands for.
bool texture_name_of(const TextureFile& file, const std::string* old_stem, std::string_view old_name,
                     std::string* name);

// The subfolder `entry` of `parent`, its path (ending in a separator) in
// `folder`: false for a file, "." or "..", or a path that does not fit.
bool subfolder(const PathBuffer& parent, const FolderEntry& entry, PathBuffer* folder, FileStatus* status);

// What a folder of the source is, from its listing (left in `entries`).
FolderImages look_into(const PathBuffer& folder, std::vector<FolderEntry>* entries, std::vector<TextureFile>* files,
                       std::string* what);

// Says that nothing is packed from `folder`, whose images are not numbered
// in folders of their own (-file or -noenum trees).
void print_not_read(FILE* err, const char* folder);
