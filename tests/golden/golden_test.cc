// The whole program against what it printed and wrote when its output was
// last checked by hand. Each file tests/golden/*.txt is one run: its first
// line the command, then the exit status, the report, the messages and a
// digest of every file and folder the run left in its scratch folder.
//
// Placeholders in the command and the output: <tmp> the run's scratch folder,
// <file> a plain file made in it before the run, "" an empty argument,
// <samples> the repository's samples, <seeds> the fuzzer's seeds (<c2-seeds>
// those for "-c2"), <fixtures> a copy of the shared BRender fixtures (the
// files that end a walk early in subfolders of their own), <brender13> the
// shared BRender 1.3 fixtures, <game> the shared palette files of the game.
// Cases that need the shared fixtures are skipped, with a message, where
// they are absent.
//
// After a change of output that is intended, rewrite the files with
//   VELMIRE_UPDATE_GOLDEN=1 build/release/tests/velmire_tests --gtest_filter='Golden.*'
// and read the difference (git diff tests/golden) before committing it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_run.h"
#include "platform/platform.h"
#include "seeds.h"
#include "test_support.h"

namespace {

const fs::path kGoldenFolder = fs::path(VELMIRE_TEST_DATA) / "golden";

struct Placeholder {
  std::string name;  // "<tmp>"
  std::string path;  // as the program takes it
};

void replace_all(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = 0; !from.empty() && (at = text->find(from, at)) != std::string::npos; at += to.size())
    text->replace(at, from.size(), to);
}

// Paths in the output as the case files show them: placeholders, and in the
// messages '/' between folders on every system (the report names files
// only, and the usage text holds backslashes of its own).
std::string normalised(std::string text, const std::vector<Placeholder>& places, bool messages) {
  for (const Placeholder& place : places) replace_all(&text, place.path, place.name);
  if (messages && kPathSeparator != '/') replace_all(&text, sep(), "/");
  return text;
}

std::string section(const char* title, const std::string& text) {
  if (text.empty() || text.back() == '\n') return std::string("--- ") + title + "\n" + text;
  return std::string("--- ") + title + " (no line break at its end)\n" + text + "\n";
}

// "crc32 size path" for every file, "folder path/" for every folder. The
// page of "-html" names the source folder: its digest is taken with the
// placeholders in its text.
std::string digests(const fs::path& root, const std::vector<Placeholder>& places) {
  std::string lines;
  for (const std::string& entry : list_tree(root)) {
    char line[64];
    if (entry.back() == '/') {
      std::snprintf(line, sizeof line, "%-17s ", "folder");
    } else {
      std::vector<uint8_t> bytes = read_file(root / entry);
      if (fs::path(entry).filename() == "index.html") {
        const std::string page = normalised(std::string(bytes.begin(), bytes.end()), places, false);
        bytes.assign(page.begin(), page.end());
      }
      uLong crc = crc32(crc32(0, nullptr, 0), bytes.data(), static_cast<uInt>(bytes.size()));
      std::snprintf(line, sizeof line, "%08lx %8zu ", crc, bytes.size());
    }
    lines += line + entry + "\n";
  }
  return lines;
}

// Runs the commands on the case file's first line (velmire, velmire-pack,
// mkdir to make a folder or copy to copy a tree, joined by " && ") and renders the result of the
// last program as the case file shows it.
std::string run_case(const std::string& command, const std::vector<Placeholder>& inputs) {
  TempDir scratch;
  std::vector<Placeholder> places = inputs;
  places.push_back({"<tmp>", scratch.str()});
  if (command.find("<file>") != std::string::npos) {
    write_file(scratch.path / "file", std::string("a file, not a folder"));
    places.push_back({"<file>", scratch.sub("file")});
  }
  // The longest first, so that a path that begins another is not taken
  // for it.
  std::sort(places.begin(), places.end(),
            [](const Placeholder& a, const Placeholder& b) { return a.path.size() > b.path.size(); });
  RunResult result;
  std::vector<std::string> words;
  std::istringstream stream(command);
  for (std::string word; stream >> word;) words.push_back(word);
  for (size_t start = 0; start < words.size();) {
    size_t end = std::find(words.begin() + start, words.end(), "&&") - words.begin();
    std::vector<std::string> arguments;
    for (size_t i = start + 1; i < end; ++i) {
      std::string argument = words[i];
      for (const Placeholder& place : places) replace_all(&argument, place.name, place.path);
      if (kPathSeparator != '/') replace_all(&argument, "/", sep());
      arguments.push_back(argument == "\"\"" ? "" : argument);
    }
    if (words[start] == "mkdir")
      fs::create_directories(arguments.at(0));
    else if (words[start] == "copy")
      fs::copy(arguments.at(0), arguments.at(1), fs::copy_options::recursive);
    else
      result = words[start] == "velmire-pack" ? run_program(run_pack, "velmire-pack", arguments) : run_velmire(arguments);
    start = end + 1;
  }
  return command + "\nstatus " + std::to_string(result.status) + "\n" +
         section("standard output", normalised(result.out, places, false)) +
         section("standard error", normalised(result.err, places, true)) + "--- files\n" + digests(scratch.path, places);
}

// Runs every case file whose name starts with `prefix`.
void check_cases(const std::string& prefix, const std::vector<Placeholder>& inputs) {
  const bool update = std::getenv("VELMIRE_UPDATE_GOLDEN") != nullptr;
  int cases = 0;
  for (const auto& entry : fs::directory_iterator(kGoldenFolder)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || entry.path().extension() != ".txt") continue;
    ++cases;
    const std::vector<uint8_t> bytes = read_file(entry.path());
    const std::string expected(bytes.begin(), bytes.end());
    std::string actual = run_case(expected.substr(0, expected.find('\n')), inputs);
    if (update && actual != expected) std::ofstream(entry.path(), std::ios::binary) << actual;
    EXPECT_EQ(actual, expected) << name;
  }
  EXPECT_GT(cases, 0) << "no case file starts with " << prefix;
}

// The repository's samples, the command line of both programs.
TEST(Golden, SamplesCommandLineAndPack) {
  for (const char* prefix : {"samples-", "command-line-", "pack-"})
    check_cases(prefix, {{"<samples>", source_tree_path("samples").string()}});
}

// The fuzzer's seeds, each in a folder of its own: every kind of texture and
// every way a file can end; seeds that differ only in their last byte (the
// fuzzer's options) once; those for "-c2" apart, in <c2-seeds>. Not on
// Windows, whose file names are edited.
TEST(Golden, Seeds) {
#ifdef _WIN32
  GTEST_SKIP() << "names that Windows file names cannot hold";
#endif
  TempDir seeds;
  TempDir c2_seeds;
  std::set<std::string> written;
  for (const Seed& seed : make_seeds()) {
    const fs::path& folder = seed.name.rfind("c2-", 0) == 0 ? c2_seeds.path : seeds.path;
    if (written.insert(std::string(seed.bytes.begin(), seed.bytes.end() - 1)).second)
      write_file(folder / seed.name / (seed.name + seed.extension), seed.bytes);
    // A file that starts with a pixel block after one that ends at "112":
    // an order carried over from one file to the next would complete a
    // stale Splat Pack texture.
    if (seed.name == "zz-order-2") write_file(seeds.path / "zz-order-112" / "zz-order-2.pix", seed.bytes);
  }
  check_cases("seeds-", {{"<seeds>", seeds.str()},
                         {"<c2-seeds>", c2_seeds.str()},
                         {"<samples>", source_tree_path("samples").string()}});
}

// Real files nobody here made. Not on Windows: names such as c:\tmp\foo.tga
// come out differently there.
TEST(Golden, Fixtures) {
#ifdef _WIN32
  GTEST_SKIP() << "texture names that Windows file names cannot hold";
#endif
  fs::path brender = shared_fixture("brender");
  fs::path brender13 = shared_fixture("brender13");
  fs::path game = shared_fixture("game");
  if (brender.empty() || brender13.empty() || game.empty()) GTEST_SKIP() << "the shared fixtures are not available";
  TempDir copy;
  for (const auto& entry : fs::directory_iterator(brender)) {
    std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".pix" && entry.path().extension() != ".pal") continue;
    // gold15.pix ends only its folder's walk; the newer header kind of the
    // SMPTE files ends the whole walk, so their folder comes last.
    const char* folder = name == "gold15.pix" ? "refused" : name.rfind("smpte", 0) == 0 ? "zz-newer-header" : "";
    fs::path target = copy.path / folder / name;
    fs::create_directories(target.parent_path());
    fs::copy_file(entry.path(), target);
  }
  check_cases("fixtures-", {{"<fixtures>", copy.str()},
                            {"<brender13>", brender13.string()},
                            {"<game>", game.string()},
                            {"<samples>", source_tree_path("samples").string()}});
}

}  // namespace
