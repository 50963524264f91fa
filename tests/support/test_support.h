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
  std::string sub(const std::string& relative) const { return (path / relative).string(); }
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// A new, empty stream for reading and writing, removed when it is closed:
// std::tmpfile, except on Windows, where the C runtime's tmpfile makes its
// file in the root of the current drive (which ordinary accounts may not
// write) under names that collide between processes running at once.
FILE* scratch_stream();

// Everything written to a scratch stream; closes it.
std::string read_and_close(FILE* stream);

// Runs the program with these arguments (the program name is added in
// front) and captures both streams.
RunResult run_velmire(const std::vector<std::string>& arguments);

void write_file(const fs::path& path, std::span<const uint8_t> bytes);
void write_file(const fs::path& path, const std::string& text);
std::vector<uint8_t> read_file(const fs::path& path);

// Every file and folder under `root`, as sorted relative paths with '/'
// between their parts; folders end in '/'.
std::vector<std::string> list_tree(const fs::path& root);

// The platform separator as a string, for building expected messages.
std::string sep();

// A file or folder of the source tree as the program takes a path: absolute,
// with the platform separator (a test program built for Windows on a POSIX
// machine holds the tree's path in POSIX form).
fs::path source_tree_path(const std::string& relative);

// The tests that read files nobody here made look for them in the shared
// fixtures folder beside the repository. Returns an empty path when it is
// not there (such tests then skip).
fs::path shared_fixture(const std::string& relative);

// True when the process can read and write anything whatever the
// permissions (root), so permission tests cannot fail as they should.
bool permissions_are_ignored();

// The report lines of a run's standard output: everything before the
// caption.
std::string report_lines(const std::string& out);

// The "TOTAL ..." block at the end of a run's standard output.
std::string totals_block(const std::string& out);

// The totals block for these counts, as the program prints it.
struct ExpectedTotals {
  int normal = 0, normal_bad = 0, splat = 0, splat_bad = 0, rgb = 0, rgb_bad = 0, xrgb = 0, xrgb_bad = 0;
};
std::string totals_text(const ExpectedTotals& totals);
