// The images of one PIX file, as velmire names them in its default layout:
// a folder named like the PIX file, holding "0001. go.pix.bmp" and so on
// (the texture's number, a full stop and a space, the texture's file name,
// the added extension .bmp or .png in either case).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TextureFile {
  int32_t number = 0;
  std::string file_name;  // in its folder
  std::string stem;       // the texture's file name: without the number and the added extension
};

enum class FolderImages : uint8_t {
  none,     // no numbered image: not the folder of a PIX file
  found,    // numbered 1 to N without a gap
  problem,  // numbered images that do not make a PIX file
};

// Lists the numbered images in `folder` (a path ending in a separator), in
// the order of their numbers. Other files are passed over. On `problem`,
// `what` says what is wrong (a gap, two images with one number).
FolderImages list_texture_files(const char* folder, std::vector<TextureFile>* files, std::string* what);

// The texture name a file stem stands for: no_name, no_name_02, ... stand
// for a texture without a name.
std::string texture_name_of_stem(const std::string& stem);
