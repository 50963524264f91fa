#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "cli/run.h"
#include "platform/platform.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#else
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

#ifdef _WIN32
// Removes a tree with Win32's own calls in the long path form: the C
// runtime's folder listing, which std::filesystem uses with MinGW, refuses
// paths longer than MAX_PATH, and some tests make such paths.
static void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = folder + L"\\" + name;
      const bool is_folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool is_link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (is_folder && !is_link) {
        remove_tree(child);
      } else if (is_folder) {
        RemoveDirectoryW(child.c_str());  // the link only, not what it leads to
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(listing, &entry) != 0);
    FindClose(listing);
  }
  RemoveDirectoryW(folder.c_str());
}
#endif

TempDir::~TempDir() {
#ifdef _WIN32
  remove_tree(L"\\\\?\\" + path.wstring());
#else
  std::error_code ignored;
  // Folders a test made read-only must become writable again to be removed.
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path, ignored);
#endif
}

std::string read_and_close(FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

FILE* scratch_stream() {
#ifdef _WIN32
  std::random_device device;
  std::mt19937_64 random(device());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path path = fs::temp_directory_path() / ("velmire-stream-" + std::to_string(random()));
    int fd = _open(path.string().c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY,
                   _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
      FILE* stream = _fdopen(fd, "w+b");
      if (stream == nullptr) _close(fd);
      return stream;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
#else
  return std::tmpfile();
#endif
}

RunResult run_velmire(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv = {"velmire"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  FILE* out = scratch_stream();
  FILE* err = scratch_stream();
  if (out == nullptr || err == nullptr) throw std::runtime_error("no scratch stream for the output");
  RunResult result;
  result.status = run(static_cast<int>(argv.size()), argv.data(), out, err);
  result.out = read_and_close(out);
  result.err = read_and_close(err);
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

fs::path source_tree_path(const std::string& relative) {
  return fs::absolute(fs::path(VELMIRE_SOURCE_DIR) / relative).make_preferred();
}

fs::path shared_fixture(const std::string& relative) {
  fs::path path = source_tree_path("../shared/fixtures/" + relative);
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
