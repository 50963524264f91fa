// velmire-pack under other runs and faults: two runs on one destination,
// runs killed at random moments, and an allocation that fails.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pix_writer.h"
#include "platform/platform.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// `files` PIX files of one 8-bit `side` x `side` texture each, all pixels
// `shade`, in src; their images in images. Returns the PIX files' names.
std::vector<std::string> make_images(const TempDir& dir, int files, uint16_t side, uint8_t shade) {
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    PixFile pix = start_pix_file();
    add_texture(&pix, kType8Bit, side, side, "t.pix", Bytes(size_t{side} * side, static_cast<uint8_t>(shade + i)));
    names.push_back(std::to_string(100 + i) + ".PIX");
    write_file(dir.path / "src" / names.back(), pix.bytes);
  }
  fs::remove_all(dir.path / "images");
  run_velmire({dir.sub("src"), dir.sub("images"), "-racepal"});
  return names;
}

// Runs a command line through the system's shell; returns the program's
// exit status, or 128 + the signal that ended it.
int run_shell(const std::string& command) {
#ifdef _WIN32
  // cmd.exe takes off the first and the last quote of a command line.
  return std::system(("\"" + command + "\"").c_str());
#else
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

// The program itself, named as the shell takes it (on Windows with '\', on
// the drive the tests run from).
std::string pack_program() {
  std::string program(1, '"');
  program += fs::path(VELMIRE_PACK_BINARY).make_preferred().string();
  return program += '"';
}

// The test holds the destination's lock: two velmire-pack processes started
// meanwhile wait, saying so once, write nothing, and then pack every file.
TEST(PackRuns, TwoRunsAtOnceWaitForTheLock) {
  TempDir dir;
  const std::vector<std::string> names = make_images(dir, 3, 8, 10);
  fs::create_directory(dir.path / "dst");
  FolderHandle dst;
  FolderLock lock;
  ASSERT_EQ(open_folder(dir.sub("dst").c_str(), &dst), 0);
  ASSERT_EQ(lock_folder(dst, false, &lock), 0);
  const std::vector<std::string> before = list_tree(dir.path / "dst");
  int statuses[2] = {-1, -1};
  std::vector<std::thread> runs;
  for (int i = 0; i < 2; ++i)
    runs.emplace_back([&, i] {
      statuses[i] = run_shell(pack_program() + " \"" + dir.sub("images") + "\" \"" + dir.sub("dst") + "\" -racepal >\"" +
                              dir.sub("out" + std::to_string(i)) + "\" 2>\"" + dir.sub("err" + std::to_string(i)) + "\"");
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(list_tree(dir.path / "dst"), before);
  unlock_folder(&lock);
  close_folder(&dst);
  for (std::thread& run : runs) run.join();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(statuses[i], 0);
    std::string err;
    for (uint8_t c : read_file(dir.path / ("err" + std::to_string(i)))) err += c == '\r' ? "" : std::string(1, char(c));
    EXPECT_EQ(err, "Another velmire-pack writes into " + dir.sub("dst") + sep() + ": waiting for it to end\n");
  }
  EXPECT_EQ(list_tree(dir.path / "dst"), names);
  for (const std::string& name : names) EXPECT_EQ(read_file(dir.path / "dst" / name), read_file(dir.path / "src" / name));
}

// Killed at random moments while it replaces files, pack leaves each of
// them the whole old one or the whole new one, and the next run packs them
// all and removes what the killed runs left.
TEST(PackRuns, KilledAtRandomMomentsEveryFileIsWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "kills a child process with a signal";
#else
  TempDir dir;
  make_images(dir, 24, 256, 90);  // the old game: the same names, other pixels
  fs::rename(dir.path / "src", dir.path / "game");
  const std::vector<std::string> names = make_images(dir, 24, 256, 20);
  std::vector<Bytes> old_files, new_files;
  for (const std::string& name : names) {
    old_files.push_back(read_file(dir.path / "game" / name));
    new_files.push_back(read_file(dir.path / "src" / name));
  }
  const std::string pack = pack_program() + " " + dir.sub("images") + " " + dir.sub("game") + " -racepal >/dev/null 2>&1";
  fs::copy(dir.path / "game", dir.path / "probe");
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run_shell(pack_program() + " " + dir.sub("images") + " " + dir.sub("probe") + " -racepal >/dev/null"), 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(std::random_device{}());
  int killed = 0;
  for (int round = 0; round < 20; ++round) {
    const double delay = std::uniform_real_distribution<double>(0, seconds)(random);
    killed += run_shell("timeout -s KILL " + std::to_string(delay) + " " + pack) == 128 + 9;
    for (size_t i = 0; i < names.size(); ++i) {
      const Bytes now = read_file(dir.path / "game" / names[i]);
      EXPECT_TRUE(now == new_files[i] || now == old_files[i]) << names[i] << " after a kill at " << delay << " s";
      write_file(dir.path / "game" / names[i], old_files[i]);  // the next round has everything to do
    }
  }
  EXPECT_GT(killed, 0);
  EXPECT_EQ(run_shell(pack), 0);
  EXPECT_EQ(list_tree(dir.path / "game"), names) << "no temporary file left";
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(read_file(dir.path / "game" / names[i]), new_files[i]);
#endif
}

// An image whose pixels cannot get memory (a run-length BMP of 100 million
// pixels in 800 KB, under an address-space limit) is refused with a message;
// the run goes on with the next PIX file.
TEST(PackRuns, AnAllocationThatFailsRefusesOnlyItsFile) {
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "needs a POSIX shell's ulimit -v, which AddressSanitizer's reserved memory defeats";
#else
  TempDir dir;
  make_images(dir, 2, 4, 30);
  const uint32_t side = 10000;
  Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0, 40, 0, 0, 0};
  for (uint32_t field : {side, side, 1u | 8u << 16, 1u, 0u, 0u, 0u, 1u, 0u})
    bmp.insert(bmp.end(), {uint8_t(field), uint8_t(field >> 8), uint8_t(field >> 16), uint8_t(field >> 24)});
  bmp.insert(bmp.end(), {0, 0, 0, 0});  // one colour
  for (uint32_t row = 0; row < side; ++row) {
    for (uint32_t x = 0; x < side; x += 250) bmp.insert(bmp.end(), {250, 0});
    bmp.insert(bmp.end(), {0, 0});
  }
  write_file(dir.path / "images" / "100.PIX" / "0001. t.pix.bmp", bmp);
  fs::create_directory(dir.path / "dst");
  const int status = run_shell("ulimit -v 60000 && " + pack_program() + " " + dir.sub("images") + " " +
                               dir.sub("dst") + " -racepal -maxpixels 100000000 >/dev/null 2>" + dir.sub("err"));
  const Bytes err = read_file(dir.path / "err");
  EXPECT_EQ(status, 2) << std::string(err.begin(), err.end());
  EXPECT_NE(std::string(err.begin(), err.end()).find("not enough memory"), std::string::npos);
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>{"101.PIX"});
#endif
}

}  // namespace
