#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "cli/run.h"
#include "platform/platform.h"

#ifndef _WIN32
#include <unistd.h>
#endif

TempDir::TempDir() {
  std::random_device device;
  std::mt19937_64 random(device());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("velmire-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Folders a test made read-only must become writable again to be removed.
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path, ignored);
}

static std::string read_stream(FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

RunResult run_velmire(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv = {"velmire"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) throw std::runtime_error("tmpfile failed");
  RunResult result;
  result.status = run(static_cast<int>(argv.size()), argv.data(), out, err);
  result.out = read_stream(out);
  result.err = read_stream(err);
  return result;
}

void write_file(const fs::path& path, std::span<const uint8_t> bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!stream) throw std::runtime_error("cannot write " + path.string());
}

void write_file(const fs::path& path, const std::string& text) {
  write_file(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> read_file(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot read " + path.string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

std::vector<std::string> list_tree(const fs::path& root) {
  std::vector<std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string relative = fs::relative(it->path(), root).generic_string();
    if (it->is_directory() && !it->is_symlink()) relative += '/';
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string sep() { return std::string(1, kPathSeparator); }

fs::path shared_fixture(const std::string& relative) {
  fs::path path = fs::path(VELMIRE_SOURCE_DIR) / ".." / "shared" / "fixtures" / relative;
  return fs::exists(path) ? path : fs::path();
}

bool permissions_are_ignored() {
#ifdef _WIN32
  return true;
#else
  return geteuid() == 0;
#endif
}

static const char kCaptionStart[] = "\nTEXTURE TYPES CAPTION:";

std::string report_lines(const std::string& out) {
  size_t caption = out.find(kCaptionStart);
  return caption == std::string::npos ? out : out.substr(0, caption);
}

std::string totals_block(const std::string& out) {
  size_t totals = out.find("\nTOTAL OF TEXTURE TYPES EXTRACTED:");
  return totals == std::string::npos ? "" : out.substr(totals);
}

std::string totals_text(const ExpectedTotals& t) {
  auto suffix = [](int bad) { return bad != 0 ? " (" + std::to_string(bad) + " are not well formed)" : std::string(); };
  return "\nTOTAL OF TEXTURE TYPES EXTRACTED:            " + std::to_string(t.normal + t.splat + t.rgb + t.xrgb) +
         "\nNormal (with 256 colour palette):            " + std::to_string(t.normal) + suffix(t.normal_bad) +
         "\nSplat Pack (with 256 colour palette):        " + std::to_string(t.splat) + suffix(t.splat_bad) +
         "\nTrue colour (no palette, 3 bytes per pixel): " + std::to_string(t.rgb) + suffix(t.rgb_bad) +
         "\nTrue colour (no palette, 4 bytes per pixel): " + std::to_string(t.xrgb) + suffix(t.xrgb_bad) + "\n";
}
