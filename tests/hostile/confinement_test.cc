// Whatever the texture names and the options, a run changes nothing outside
// the destination tree, nothing the destination held before (PIX files among
// it), and writes only BMP files, with the destination beside the source,
// inside it and equal to it. (Links planted in the destination:
// write_failures_test.cc.)
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;  // entry -> what it is

// Every entry under `root` but the subtree `skip`: a link's target, a
// file's digest and time, a folder's mark.
Snapshot snapshot(const fs::path& root, const fs::path& skip = {}) {
  Snapshot entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    std::string what = "folder";
    if (it->is_symlink()) {
      what = "link to " + fs::read_symlink(it->path()).string();
    } else if (!it->is_directory()) {
      Bytes bytes = read_file(it->path());
      what = std::to_string(crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))) + " " +
             std::to_string(fs::last_write_time(it->path()).time_since_epoch().count());
    }
    entries[it->path().lexically_relative(root).generic_string()] = what;
  }
  return entries;
}

// A failed texture ends its folder's walk, so each hostile name has a folder
// of its own; "long" holds names that make bare output paths 258, 259 and
// 260 characters long. self/GO.PIX holds a texture named like itself.
void plant_source(const fs::path& src, const std::string& destination) {
  write_file(src / "self" / "GO.PIX", pix_of_textures({"GO.PIX", "E.PIX"}));
  const std::pair<const char*, const char*> hostile[] = {
      {"h1", ".."}, {"h2", "."}, {"h3", "../../../up"}, {"h4", "..\\..\\back"}, {"h5", "/abs"}, {"h6", "a/../../b"},
      {"h7", "name/"}};
  for (const auto& [folder, name] : hostile) write_file(src / folder / "P.PIX", pix_of_textures({name}));
  size_t room = 259 - (destination.size() + 1 + std::string("long/").size());
  write_file(src / "long" / "P.PIX", pix_of_textures({std::string(room - 1, 'n'), std::string(room, 'm'), std::string(room + 1, 'o')}));
}

void run_every_option_set(const fs::path& parent, const fs::path& src, const fs::path& dst) {
  const Snapshot outside = snapshot(parent, dst);
  const Snapshot held = snapshot(dst);
  const std::vector<Names> option_sets = {
      {"-r"}, {"-r", "-file"}, {"-r", "-file", "-nopixpackname", "-noenum", "-extoriginal"},
      {"-r", "-noenum", "-extoriginal", "-topdown"}, {"-file", "-noenum", "-extbmp"}, {"-r", "-extbmp2", "-file"}};
  size_t written = 0;  // new files seen after each run, all runs together
  for (const Names& options : option_sets) {
    Names arguments = {src.string(), dst.string(), "-racepal"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    RunResult result = run_velmire(arguments);
    SCOPED_TRACE(arguments.back() + " (" + std::to_string(options.size()) + " options)\n" + result.err);
    ASSERT_EQ(result.status, result.err.empty() ? 0 : 2);  // every message tells of a texture not written
    ASSERT_EQ(snapshot(parent, dst), outside);
    for (const auto& [name, what] : snapshot(dst)) {
      if (held.count(name) != 0) {
        ASSERT_EQ(what, held.at(name)) << name;
      } else if (what != "folder") {
        Bytes start = read_file(dst / name);
        ASSERT_TRUE(start.size() > 2 && start[0] == 'B' && start[1] == 'M') << name;
        ++written;
      }
    }
  }
  // The runs did write (folder mode writes nothing when the destination is
  // the source: each PIX file stands where its folder must go).
  EXPECT_GT(written, 20u);
}

TEST(Confinement, DestinationBesideInsideAndEqualToTheSource) {
  for (const char* where : {"beside", "inside", "equal"}) {
    SCOPED_TRACE(where);
    TempDir dir;
    fs::path src = dir.path / "src";
    fs::path dst = std::string(where) == "beside" ? dir.path / "dst" : std::string(where) == "inside" ? src / "out" : src;
    plant_source(src, dst.string());
    fs::create_directories(dst);
    write_file(dir.path / "outside.txt", std::string("beside the tree"));
    if (dst != src) write_file(dst / "self" / "GO.PIX", pix_of_textures({"GO.PIX", "in"}));  // walked too when inside
    run_every_option_set(dir.path, src, dst);
  }
}

}  // namespace
