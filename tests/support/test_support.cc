#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "cli/run.h"
#include "pix_writer.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#else
#include <sys/wait.h>
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
  fs::remove_all(path, ignored);
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

std::string utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::string quoted(const fs::path& path) {
  return '"' + utf8(fs::path(path).make_preferred()) + '"';
}

int run_shell(const std::string& command) {
#ifdef _WIN32
  // cmd.exe takes off the first and the last quote of a command line.
  const std::string line = '"' + command + '"';
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), static_cast<int>(wide.size()));
  return _wsystem(wide.c_str());
#else
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

std::string run_together(const std::string& err) {
  static const char* const kStarts[] = {"Couldn't ", "Could not ", "Cannot ", "ERROR", "Error", "Unknown ",
                                        "Truncated ", "Skipped ", "Source directory", "The following error",
                                        "Nothing is packed", "Another velmire-pack", "Note: "};
  if (!err.empty() && err.back() != '\n') return err.substr(err.rfind('\n') + 1);
  for (const char* start : kStarts)
    for (size_t at = err.find(start, 1); at != std::string::npos; at = err.find(start, at + 1))
      if (std::isalnum(static_cast<unsigned char>(err[at - 1])))
        return err.substr(err.rfind('\n', at) + 1, err.find('\n', at) - err.rfind('\n', at) - 1);
  return "";
}

RunResult run_program(ProgramEntry entry, const char* name, const std::vector<std::string>& arguments) {
  std::vector<const char*> argv = {name};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  FILE* out = scratch_stream();
  FILE* err = scratch_stream();
  if (out == nullptr || err == nullptr) throw std::runtime_error("no scratch stream for the output");
  RunResult result;
  result.status = entry(static_cast<int>(argv.size()), argv.data(), out, err);
  result.out = read_and_close(out);
  result.err = read_and_close(err);
  EXPECT_EQ(run_together(result.err), "") << name << " printed a message that is not a line of its own";
  // velmire's status 0 says that its walk printed nothing but notes.
  std::istringstream lines(entry == run && result.status == 0 ? result.err : "");
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line.rfind("Note: ", 0) == 0 || line.ends_with("run again with -c2")) << line;
  return result;
}

RunResult run_velmire(const std::vector<std::string>& arguments) {
  return run_program(run, "velmire", arguments);
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

std::vector<uint8_t> pix_of_textures(const std::vector<std::string>& names) {
  PixFile pix = start_pix_file();
  for (size_t i = 0; i < names.size(); ++i) {
    const uint8_t first = names[i].empty() ? 0 : static_cast<uint8_t>(names[i][0]);
    add_texture(&pix, kType8Bit, 4, 1, names[i], std::vector<uint8_t>{static_cast<uint8_t>(i + 1), first, 3, 4});
  }
  return pix.bytes;
}

std::vector<uint8_t> bmp_of_rows(uint32_t width, uint32_t height, int bits, uint32_t compression, uint32_t header,
                                 const std::vector<uint32_t>& masks, const Pixels& table, const std::vector<uint8_t>& rows) {
  const uint32_t after = header == 40 ? 4 * static_cast<uint32_t>(masks.size()) : 0;
  const uint32_t offset = 14 + header + after + 4 * static_cast<uint32_t>(table.size());
  std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0};  // no file size: readers go by the offset
  auto put = [&bmp](uint32_t word) { bmp.insert(bmp.end(), {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)}); };
  for (uint32_t field : {0u, offset, header, width, height, 1u | uint32_t(bits) << 16, compression,
                         static_cast<uint32_t>(rows.size()), 0u, 0u, static_cast<uint32_t>(table.size()), 0u})
    put(field);
  for (uint32_t mask : masks) put(mask);
  bmp.resize(14 + header + after, 0);
  for (uint32_t entry : table) put(entry & 0xFFFFFF);
  bmp.insert(bmp.end(), rows.begin(), rows.end());
  return bmp;
}

std::vector<uint8_t> bmp_file(uint32_t width, uint32_t height, int bits, const Pixels& pixels, const Pixels& table,
                              bool rle) {
  using Bytes = std::vector<uint8_t>;
  const uint32_t stride = (width * bits + 31) / 32 * 4;
  Bytes rows;
  for (uint32_t y = height; y-- > 0;) {
    Bytes row(stride, 0);
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x], n = static_cast<uint32_t>(bits) / 8;
      if (rle) rows.insert(rows.end(), {1, static_cast<uint8_t>(p)});
      else if (bits < 8) row[x * bits / 8] |= static_cast<uint8_t>(p << (8 - bits - x * bits % 8));
      else if (bits == 8) row[x] = static_cast<uint8_t>(p);
      else if (bits == 16) row[2 * x] = static_cast<uint8_t>((p >> 5 & 0xE0) | (p & 0xFF) >> 3), row[2 * x + 1] = static_cast<uint8_t>((p >> 16 & 0xF8) | (p >> 13 & 7));
      else for (uint32_t i = 0; i < n; ++i) row[n * x + i] = static_cast<uint8_t>(p >> (8 * i));
    }
    if (!rle) rows.insert(rows.end(), row.begin(), row.end());
    else rows.insert(rows.end(), {0, 0});
  }
  if (rle) rows.insert(rows.end(), {0, 1});
  return bmp_of_rows(width, height, bits, bits == 16 ? 3 : rle ? 1 : 0, 40,
                     bits == 16 ? std::vector<uint32_t>{0xF800, 0x07E0, 0x001F} : std::vector<uint32_t>{}, table, rows);
}

void write_c2_game(const fs::path& data) {
  using Bytes = std::vector<uint8_t>;
  auto pix = [](std::vector<std::tuple<uint8_t, uint16_t, uint16_t, std::string, Bytes>> textures) {
    PixFile file = start_pix_file();
    for (const auto& [type, width, height, name, pixels] : textures) {
      const size_t header = file.bytes.size();
      add_texture(&file, type, width, height, name, pixels, kNewerHeader);
      file.bytes[header + 7] = 14;  // the length word
    }
    return file.bytes;
  };
  const Bytes p16 = pix({{5, 4, 2, "BODY", {0xF8, 0, 0x07, 0xE0, 0, 0x1F, 0xFF, 0xFF, 0x84, 0x10, 0x42, 0x08, 0x21, 4, 0, 0}},
                         {18, 4, 2, "GLASS", {0xFF, 0, 0x0F, 0, 0xF0, 0xF0, 0, 0xF0, 0x8F, 0xFF, 0x8F, 0, 0x80, 0xF0, 0x80, 0x0F}},
                         {5, 2, 2, "SCRN", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}}});
  const Bytes p08 = pix({{kType8Bit, 4, 2, "BODY", {1, 2, 3, 4, 5, 6, 7, 8}},
                         {kType8Bit, 4, 2, "GLASS", {40, 0, 50, 0, 60, 61, 62, 63}},
                         {kType8Bit, 2, 1, "SCRN", {9, 10}}});
  Bytes archive = twt_archive({{"pixies.P16", p16}, {"pixies.P08", p08}});
  for (size_t entry = 0; entry < 2; ++entry)
    for (size_t i = 8 + 56 * entry + 4 + 11; i < 8 + 56 * (entry + 1); ++i) archive[i] = 0xCD;
  write_file(data / "CARS" / "EAGLE.TWT", archive);
  write_file(data / "PIXELMAP" / "HUD.P16", pix({{5, 2, 1, "ARROW", {0xF8, 0, 0, 0x1F}}}));
  write_file(data / "PIXELMAP" / "HUD.P08", pix({{kType8Bit, 2, 1, "ARROW", {20, 0}}}));
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

std::string report_lines(const std::string& out) {
  size_t caption = out.find("\nTEXTURE TYPES CAPTION:");
  return caption == std::string::npos ? out : out.substr(0, caption);
}
