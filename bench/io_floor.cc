// The I/O floor of the benchmark: reads every PIX file of a corpus whole and
// writes exactly the files the extractor writes (same folders, names and
// sizes, taken from the corpus manifest), with nothing else: no decoding, no
// report, no checks. Each file costs open, read or write, close; each output
// folder one mkdir. No program that produces the extractor's output from the
// corpus can do less I/O, so its time is the lower bound the extractor is
// measured against.
//
//   io_floor <manifest> <src folder> <dst folder>
//
// With --pack first it is the floor of velmire-pack instead: it reads every
// image file the manifest lists (in <images folder>) whole and writes files
// of the PIX files' names and sizes into <dst folder>, nothing else.
//
//   io_floor --pack <manifest> <images folder> <dst folder>
//
// It calls POSIX directly: it is a measuring tool for POSIX machines, not
// part of the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const char* path) {
  std::fprintf(stderr, "io_floor: %s %s: %s\n", what, path, std::strerror(errno));
  std::exit(1);
}

[[noreturn]] void bad_manifest(const char* path) {
  std::fprintf(stderr, "io_floor: %s is not a manifest written by make_corpus\n", path);
  std::exit(1);
}

// Reads exactly `size` bytes, or fails.
void read_exactly(int fd, uint8_t* buffer, uint64_t size, const char* path) {
  uint64_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, buffer + done, size - done);
    if (got <= 0) fail("cannot read", path);
    done += static_cast<uint64_t>(got);
  }
}

void write_exactly(int fd, const uint8_t* buffer, uint64_t size, const char* path) {
  uint64_t done = 0;
  while (done < size) {
    ssize_t put = write(fd, buffer + done, size - done);
    if (put < 0) fail("cannot write", path);
    done += static_cast<uint64_t>(put);
  }
}

std::vector<char> read_text_file(const char* path) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) fail("cannot open", path);
  struct stat st;
  if (fstat(fd, &st) != 0) fail("cannot stat", path);
  std::vector<char> text(static_cast<size_t>(st.st_size) + 1, '\0');
  read_exactly(fd, reinterpret_cast<uint8_t*>(text.data()), static_cast<uint64_t>(st.st_size), path);
  close(fd);
  return text;
}

// The manifest, read field by field in place (see bench/make_corpus.cc).
struct Cursor {
  char* at;
  char* end;
  const char* path;
};

// The text up to `stop`, which is replaced by a zero.
std::string_view field(Cursor* cursor, char stop) {
  auto* found = static_cast<char*>(std::memchr(cursor->at, stop, cursor->end - cursor->at));
  if (found == nullptr) bad_manifest(cursor->path);
  std::string_view text(cursor->at, found - cursor->at);
  *found = '\0';
  cursor->at = found + 1;
  return text;
}

uint64_t number(Cursor* cursor, char stop) {
  std::string_view digits = field(cursor, stop);
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') bad_manifest(cursor->path);
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

// A path built in place: a root, then parts.
struct Path {
  char text[4096];
  size_t length = 0;
};

void set_length(Path* path, size_t length) {
  path->length = length;
  path->text[length] = '\0';
}

void append(Path* path, std::string_view part) {
  if (path->length + part.size() >= sizeof path->text) {
    std::fprintf(stderr, "io_floor: path too long\n");
    std::exit(1);
  }
  std::memcpy(path->text + path->length, part.data(), part.size());
  set_length(path, path->length + part.size());
}

// Creates the output folder of a PIX file (`relative`, below the destination
// root held in `path`) and every missing parent. Each PIX file has a folder
// of its own, so that folder costs one mkdir; the parents, shared by many
// files, are remembered (as views into the manifest) and made once.
void make_folders(Path* path, std::string_view relative, std::unordered_set<std::string_view>* made) {
  const size_t root = path->length;
  for (size_t i = 0; i <= relative.size(); ++i) {
    if (i < relative.size() && relative[i] != '/') continue;
    std::string_view prefix = relative.substr(0, i);
    if (i < relative.size() && !made->insert(prefix).second) continue;
    set_length(path, root);
    append(path, prefix);
    if (mkdir(path->text, 0777) != 0 && errno != EEXIST) fail("cannot create", path->text);
  }
}

// Reads the whole file at `path` (`size` bytes) into `input`.
void read_whole(const char* path, uint64_t size, std::vector<uint8_t>* input) {
  if (size > input->size()) input->resize(size);
  int fd = open(path, O_RDONLY);
  if (fd < 0) fail("cannot open", path);
  read_exactly(fd, input->data(), size, path);
  close(fd);
}

// Creates the file at `path` with `size` bytes of `bytes`.
void write_whole(const char* path, uint64_t size, std::vector<uint8_t>* bytes) {
  // Any content costs the same to write.
  if (size > bytes->size()) bytes->resize(size, 0x5A);
  int out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) fail("cannot create", path);
  write_exactly(out, bytes->data(), size, path);
  if (close(out) != 0) fail("cannot close", path);
}

}  // namespace

int main(int argc, char** argv) {
  const bool pack = argc == 5 && std::string_view(argv[1]) == "--pack";
  if (pack) ++argv, --argc;
  if (argc != 4) {
    std::fprintf(stderr, "usage: io_floor [--pack] <manifest> <src or images folder> <dst folder>\n");
    return 1;
  }
  std::vector<char> text = read_text_file(argv[1]);
  Cursor cursor{text.data(), text.data() + text.size() - 1, argv[1]};
  if (field(&cursor, '\n') != "velmire-bench-manifest 1") bad_manifest(argv[1]);

  // Buffers as large as the largest file read and written.
  std::vector<uint8_t> input;
  std::vector<uint8_t> bytes;
  std::unordered_set<std::string_view> made;  // folders, and with --pack the PIX files' folders
  Path source, destination;
  append(&source, argv[2]);
  append(&source, "/");
  const size_t source_root = source.length;
  append(&destination, argv[3]);
  append(&destination, "/");
  const size_t destination_root = destination.length;

  while (cursor.at < cursor.end) {
    if (field(&cursor, '\t') != "P") bad_manifest(argv[1]);
    std::string_view pix = field(&cursor, '\t');
    uint64_t size = number(&cursor, '\t');
    std::string_view folder = field(&cursor, '\t');
    uint64_t count = number(&cursor, '\n');

    if (pack) {
      // Every image of the PIX file, then the PIX file in its folder.
      for (uint64_t i = 0; i < count; ++i) {
        uint64_t image_size = number(&cursor, '\t');
        set_length(&source, source_root);
        append(&source, folder);
        append(&source, "/");
        append(&source, field(&cursor, '\n'));
        read_whole(source.text, image_size, &input);
      }
      // A folder holds many PIX files: made when the first comes.
      std::string_view parent = pix.substr(0, pix.rfind('/'));
      set_length(&destination, destination_root);
      if (made.insert(parent).second) make_folders(&destination, parent, &made);
      set_length(&destination, destination_root);
      append(&destination, pix);
      write_whole(destination.text, size, &bytes);
      continue;
    }
    set_length(&source, source_root);
    append(&source, pix);
    read_whole(source.text, size, &input);
    if (count == 0) continue;

    set_length(&destination, destination_root);
    make_folders(&destination, folder, &made);
    append(&destination, "/");
    const size_t folder_end = destination.length;
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t bmp_size = number(&cursor, '\t');
      set_length(&destination, folder_end);
      append(&destination, field(&cursor, '\n'));
      write_whole(destination.text, bmp_size, &bytes);
    }
  }
  return 0;
}
