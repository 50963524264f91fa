// Helpers for tests that run the whole program in-process over folder trees
// built in a temporary folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed (with all it
// holds) when the object goes away.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  fs::path path;
  // The path as the program takes it: a string with the platform separator.
  std::string str() const { return path.string(); }
  std::string sub(const std::string& relative) const { return (path / relative).make_preferred().string(); }
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// A new, empty stream for reading and writing: std::tmpfile, except on
// Windows, where the C runtime's tmpfile makes its file in the root of the
// current drive (which ordinary accounts may not write).
FILE* scratch_stream();

// The path in UTF-8, and in double quotes with the system's separators, as
// a command line takes it.
std::string utf8(const fs::path& path);
std::string quoted(const fs::path& path);

// Runs a command line of UTF-8 text through the system's shell; returns the
// program's exit status, or 128 + the signal that ended it.
int run_shell(const std::string& command);

// Everything written to a scratch stream; closes it.
std::string read_and_close(FILE* stream);

// The line of `err` where a message runs into another ("for writingCould
// not write": one starts right after a letter or digit), or the last line
// when it ends without a line break; "" when every message is a line.
std::string run_together(const std::string& err);

// Runs a program's entry with these arguments (the program name is added in
// front) and captures both streams. Checks that every message is a line of
// its own and that velmire's status 0 comes with no message but notes.
using ProgramEntry = int (*)(int, const char* const*, FILE*, FILE*);
RunResult run_program(ProgramEntry entry, const char* name, const std::vector<std::string>& arguments);
RunResult run_velmire(const std::vector<std::string>& arguments);

void write_file(const fs::path& path, std::span<const uint8_t> bytes);
void write_file(const fs::path& path, const std::string& text);
std::vector<uint8_t> read_file(const fs::path& path);

// A PIX file holding one 4 x 1 8-bit texture per name, the pixels of each
// telling it from the others.
std::vector<uint8_t> pix_of_textures(const std::vector<std::string>& names);

// A BMP file, bottom-up: `bits` 1, 4 or 8 (indices into `table`, 0xRRGGBB
// entries; 8 also run-length compressed), 16 (5-6-5 bit fields), 24
// (0xRRGGBB) or 32 without an alpha mask, as PIL writes RGBA (0xAARRGGBB).
using Pixels = std::vector<uint32_t>;
// The file of these stored rows: an info header of `header` bytes (40, or
// 108 with the masks inside it), the masks after a 40-byte one, the table
// (0xRRGGBB entries), then `rows`.
std::vector<uint8_t> bmp_of_rows(uint32_t width, uint32_t height, int bits, uint32_t compression, uint32_t header,
                                 const std::vector<uint32_t>& masks, const Pixels& table, const std::vector<uint8_t>& rows);
std::vector<uint8_t> bmp_file(uint32_t width, uint32_t height, int bits, const Pixels& pixels, const Pixels& table = {},
                              bool rle = false);

// A small Carmageddon 2 DATA folder, shaped like the game's:
// CARS/EAGLE.TWT holds pixies.P16 (BODY 565 4 x 2; GLASS 4444 4 x 2, red
// and green at alpha 15 and 0 above white, red, green and blue at alpha 8;
// SCRN 565 2 x 2) and pixies.P08 (8-bit twins of BODY and GLASS, GLASS with
// two holes, and a SCRN 2 x 1, of another size and so no twin);
// PIXELMAP holds HUD.P16 (ARROW 565 2 x 1) and its twin HUD.P08. Header
// length words say 14 and the archive table's names are followed by 0xCD
// bytes, as the game's files have them.
void write_c2_game(const fs::path& data);

// Every file and folder under `root`, as sorted relative paths with '/'
// between their parts; folders end in '/'.
std::vector<std::string> list_tree(const fs::path& root);

// The platform separator as a string, for building expected messages.
std::string sep();

// A file or folder of the source tree as the program takes a path: absolute,
// with the platform separator.
fs::path source_tree_path(const std::string& relative);

// Files nobody here made are looked for in the shared fixtures folder beside
// the repository. Returns an empty path when it is not there (such tests
// then skip).
fs::path shared_fixture(const std::string& relative);

// The report lines of a run's standard output: everything before the caption.
std::string report_lines(const std::string& out);
