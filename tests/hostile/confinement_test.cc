// Whatever the input and the options, a run changes nothing outside the
// destination tree: neither the source tree nor anything around the
// destination, and no PIX file even inside it. Hostile trees (texture names
// that look like paths, names at the length limit, PIX files and links
// planted in the destination) are run with every combination of the naming
// options, with and without recursion, with the destination beside the
// source, inside it and equal to it.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

// What identifies each entry: a folder's mark, a file's size, hash and
// modification time, a link's target (links are never followed).
using Snapshot = std::map<std::string, std::string>;

uint64_t fnv1a(const Bytes& bytes) {
  uint64_t hash = 14695981039346656037u;
  for (uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211u;
  return hash;
}

Bytes read_whole(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  Bytes bytes(fs::file_size(path));
  stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::string identify(const fs::directory_entry& entry) {
  if (entry.is_symlink()) return "link to " + fs::read_symlink(entry.path()).string();
  if (entry.is_directory()) return "folder";
  Bytes bytes = read_whole(entry.path());
  return std::to_string(bytes.size()) + " bytes, hash " + std::to_string(fnv1a(bytes)) + ", written at " +
         std::to_string(fs::last_write_time(entry.path()).time_since_epoch().count());
}

// Every entry under `root`, except the subtree at `skip`.
Snapshot snapshot(const fs::path& root, const fs::path& skip = {}) {
  Snapshot entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    entries[it->path().lexically_relative(root).generic_string()] = identify(*it);
  }
  return entries;
}

// The entries that differ, one line each; empty when none does.
std::string differences(const Snapshot& before, const Snapshot& after) {
  std::string lines;
  for (const auto& [name, identity] : before) {
    auto now = after.find(name);
    if (now == after.end()) lines += "removed: " + name + "\n";
    else if (now->second != identity) lines += "changed: " + name + " (" + identity + " -> " + now->second + ")\n";
  }
  for (const auto& [name, identity] : after)
    if (before.count(name) == 0) lines += "added: " + name + "\n";
  return lines;
}

bool begins_as_bmp(const fs::path& path) {
  char start[2] = {};
  std::ifstream(path, std::ios::binary).read(start, 2);
  return start[0] == 'B' && start[1] == 'M';
}

// One 4x1 8-bit texture per name.
Bytes textures(const Names& names) {
  PixFile pix = start_pix_file();
  for (const std::string& name : names) add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{1, 2, 3, 4});
  return pix.bytes;
}

// The source tree. A failed texture ends its folder's walk, so each
// hostile name has a folder of its own; "long" holds names that make the
// output path 258, 259 and 260 characters long with bare names.
void plant_source(const fs::path& src, const std::string& destination) {
  write_file(src / "GO.PIX", textures({"GO.PIX", "E.PIX"}));
  write_file(src / "E.PIX", textures({"evil", "GO.PIX"}));
  write_file(src / "notes.txt", std::string("not a PIX file"));
  const std::pair<const char*, const char*> hostile[] = {
      {"dotdot", ".."},   {"dot", "."},           {"up", "../../../up"}, {"back", "..\\..\\back"},
      {"abs", "/abs"},    {"mixed", "a/../../b"}, {"dots", "..."},       {"trailing", "name/"},
  };
  for (const auto& [folder, name] : hostile) write_file(src / folder / "P.PIX", textures({name}));
  size_t room = 259 - (destination.size() + 1 + std::string("long/").size());
  write_file(src / "long" / "P.PIX",
             textures({std::string(room - 1, 'n'), std::string(room, 'm'), std::string(room + 1, 'o')}));
  write_file(src / "deep" / "deeper" / "deepest" / "P.PIX", textures({"deep"}));
#ifndef _WIN32
  write_file(src / "v1" / "V.PIX", textures({"victim"}));
  write_file(src / "v2" / "V.PIX", textures({"created"}));
#endif
}

// What a hostile destination already holds: links named like the BMP files
// of "v1" and "v2" with bare names, "-extaddbmp" and file mode, pointing
// at a file beside the destination and at a file that does not exist yet.
void plant_links(const fs::path& destination, const fs::path& outside) {
#ifndef _WIN32
  fs::create_directories(destination / "v1");
  fs::create_directories(destination / "v2");
  for (const char* name : {"victim", "victim.bmp", "V.PIX - 0001. victim.bmp"})
    fs::create_symlink(outside / "outside.txt", destination / "v1" / name);
  for (const char* name : {"created", "created.bmp", "V.PIX - 0001. created.bmp"})
    fs::create_symlink(outside / ("created " + std::string(name)), destination / "v2" / name);
#else
  (void)destination, (void)outside;
#endif
}

// Every combination of the naming options, each with and without "-r".
std::vector<Names> option_sets() {
  std::vector<Names> sets;
  for (const char* mode : {"-folder", "-file"})
    for (bool numbered : {true, false})
      for (bool pix_name : {true, false})
        for (const char* extension : {"-extoriginal", "-extbmp", "-extbmp2", "-extaddbmp"})
          for (bool recursive : {false, true}) {
            Names options = {mode, extension};
            if (!numbered) options.push_back("-noenum");
            if (!pix_name) options.push_back("-nopixpackname");
            if (recursive) options.push_back("-r");
            if (sets.size() % 3 == 0) options.push_back("-topdown");
            sets.push_back(options);
          }
  return sets;
}

std::string joined(const Names& options) {
  std::string text;
  for (const std::string& option : options) text += option + " ";
  return text;
}

// Runs every option set over `src` into `dst` (both below `parent`) and
// checks, after each run, that everything outside `dst` is as it was, that
// everything `dst` held before the first run is as it was, and that every
// file a run added is a BMP file.
void run_every_option_set(const fs::path& parent, const fs::path& src, const fs::path& dst) {
  Snapshot outside = snapshot(parent, dst);
  Snapshot held = fs::exists(dst) ? snapshot(dst) : Snapshot();
  size_t bmp_files = 0;
  for (const Names& options : option_sets()) {
    Names arguments = {src.string(), dst.string(), "-racepal"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    RunResult result = run_velmire(arguments);
    SCOPED_TRACE(joined(options) + "\n" + result.err);
    ASSERT_EQ(result.status, 0);
    ASSERT_EQ(differences(outside, snapshot(parent, dst)), "");
    // What the destination held is as it was; all else in it is new.
    Snapshot kept;
    bmp_files = 0;
    for (auto it = fs::recursive_directory_iterator(dst); it != fs::recursive_directory_iterator(); ++it) {
      std::string name = it->path().lexically_relative(dst).generic_string();
      if (held.count(name) != 0) {
        kept[name] = identify(*it);
      } else if (!it->is_directory()) {
        ASSERT_TRUE(!it->is_symlink() && begins_as_bmp(it->path())) << name;
        ++bmp_files;
      }
    }
    ASSERT_EQ(differences(held, kept), "");
  }
  // The runs did write, so the checks above had something to see.
  EXPECT_GT(bmp_files, 10u);
}

TEST(Confinement, DestinationBesideTheSource) {
  TempDir dir;
  fs::path src = dir.path / "src", dst = dir.path / "dst";
  plant_source(src, dst.string());
  write_file(dir.path / "outside.txt", std::string("beside the destination"));
  plant_links(dst, dir.path);
  run_every_option_set(dir.path, src, dst);
}

TEST(Confinement, DestinationInsideTheSourceHoldingPixFiles) {
  TempDir dir;
  fs::path src = dir.path / "src", dst = src / "out";
  plant_source(src, dst.string());
  write_file(dir.path / "outside.txt", std::string("beside the source"));
  // Walked with "-r" like any source folder: its PIX files are sources too,
  // and one is named like the BMP file of a texture called GO.PIX.
  write_file(dst / "GO.PIX", textures({"GO.PIX", "in"}));
  write_file(dst / "in" / "IN.PIX", textures({"IN.PIX", ".."}));
  plant_links(dst, dir.path);
  run_every_option_set(dir.path, src, dst);
}

TEST(Confinement, DestinationEqualToTheSource) {
  TempDir dir;
  fs::path src = dir.path / "src";
  plant_source(src, src.string());
  write_file(dir.path / "outside.txt", std::string("beside the source"));
  plant_links(src, dir.path);
  run_every_option_set(dir.path, src, src);
}

// The sharpest case: bare names put the BMP file of a texture called GO.PIX
// exactly where the PIX file GO.PIX lies.
TEST(Confinement, APixFileIsNeverReplacedByATextureOfItsOwnName) {
  const Names bare = {"-menupal", "-file", "-nopixpackname", "-noenum", "-extoriginal"};
  Bytes go = textures({"GO.PIX"});
  Bytes inner = textures({"GO.PIX", "other"});
  for (bool inside : {false, true}) {
    for (bool recursive : {false, true}) {
      TempDir dir;
      fs::path src = dir.path / "src";
      fs::path dst = inside ? src / "out" : src;
      write_file(src / "GO.PIX", go);
      if (inside) write_file(dst / "GO.PIX", inner);
      Names arguments = {src.string(), dst.string()};
      arguments.insert(arguments.end(), bare.begin(), bare.end());
      if (recursive) arguments.push_back("-r");
      RunResult result = run_velmire(arguments);
      std::string target = dst.string() + sep() + "GO.PIX";
      SCOPED_TRACE(std::string(inside ? "inside" : "equal") + (recursive ? " -r" : ""));
      EXPECT_EQ(result.status, 0);
      // GO.PIX comes before "out": the refusal ends the top folder's walk.
      EXPECT_EQ(result.err, "Cannot open file " + target + " for writing: it is a PIX file, which is never replaced" +
                                "Could not write to destination file " + target + "\n");
      EXPECT_EQ(report_lines(result.out), "");
      EXPECT_EQ(read_file(src / "GO.PIX"), go);
      if (inside) {
        EXPECT_EQ(read_file(dst / "GO.PIX"), inner);
      }
    }
  }
}

}  // namespace
