// velmire-pack under other runs and faults: two runs on one destination,
// runs killed at random moments, and an allocation that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pack/pack_run.h"
#include "pix_writer.h"
#include "platform/platform.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// `files` PIX files of one 8-bit `side` x `side` texture each, all pixels
// `shade`, in src or its subfolder `sub` ("sub/"); their images in images.
// Returns the PIX files' paths below src.
std::vector<std::string> make_images(const TempDir& dir, int files, uint16_t side, uint8_t shade,
                                     const std::string& sub = "") {
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    PixFile pix = start_pix_file();
    add_texture(&pix, kType8Bit, side, side, "t.pix", Bytes(size_t{side} * side, static_cast<uint8_t>(shade + i)));
    names.push_back(sub + std::to_string(100 + i) + ".PIX");
    write_file(dir.path / "src" / names.back(), pix.bytes);
  }
  fs::remove_all(dir.path / "images");
  run_velmire({dir.sub("src"), dir.sub("images"), "-racepal", "-r"});
  return names;
}

// The test holds the lock of a folder below the destination: two
// velmire-pack processes started meanwhile wait, each saying so once (the
// first for that folder, the second for the destination, which the first
// holds), write nothing there, and then pack every file.
TEST(PackRuns, TwoRunsAtOnceWaitForTheLock) {
  TempDir dir;
  std::vector<std::string> names = make_images(dir, 3, 8, 10, "sub/");
  fs::create_directories(dir.path / "dst" / "sub");
  FolderHandle sub;
  FolderLock lock;
  ASSERT_EQ(open_folder(dir.sub("dst/sub").c_str(), &sub), 0);
  ASSERT_EQ(lock_folder(sub, false, &lock), 0);
  int statuses[2] = {-1, -1};
  std::vector<std::thread> runs;
  for (int i = 0; i < 2; ++i)
    runs.emplace_back([&, i] {
      statuses[i] = run_shell(quoted(VELMIRE_PACK_BINARY) + " \"" + dir.sub("images") + "\" \"" + dir.sub("dst") + "\" -racepal -r >\"" +
                              dir.sub("out" + std::to_string(i)) + "\" 2>\"" + dir.sub("err" + std::to_string(i)) + "\"");
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  std::vector<std::string> written = list_tree(dir.path / "dst");
  std::erase_if(written, [](const std::string& entry) { return entry.ends_with(kLockFileName); });  // Windows' locks
  EXPECT_EQ(written, std::vector<std::string>{"sub/"});
  unlock_folder(&lock);
  close_folder(&sub);
  for (std::thread& run : runs) run.join();
  std::vector<std::string> errs;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(statuses[i], 0);
    errs.emplace_back();
    for (uint8_t c : read_file(dir.path / ("err" + std::to_string(i)))) errs.back() += c == '\r' ? "" : std::string(1, char(c));
  }
  std::sort(errs.begin(), errs.end());
  auto waiting = [&](const char* folder) { return "Another velmire-pack writes into " + dir.sub(folder) + sep() + ": waiting for it to end\n"; };
  EXPECT_EQ(errs, (std::vector<std::string>{waiting("dst"), waiting("dst/sub")}));
  names.insert(names.begin(), "sub/");
  EXPECT_EQ(list_tree(dir.path / "dst"), names);
  for (const std::string& name : names)
    EXPECT_TRUE(name.back() == '/' || read_file(dir.path / "dst" / name) == read_file(dir.path / "src" / name)) << name;
}

// Two runs at once, many times, each a process of its own: the second into a
// subfolder of the first's destination, or both into one folder with every
// lock failing with ENOLCK (a file system without locks) through the
// platform's seam. Every file is written whole, nothing is reported as not
// written, and nothing is left behind.
TEST(PackRuns, NestedRunsAndRunsWithoutLocksWriteEveryFile) {
#ifdef _WIN32
  GTEST_SKIP() << "runs velmire-pack in forked processes";
#else
  // Names differ from one level to the other: where the destination's top
  // holds none of them yet, a run without locks that found its subfolder
  // holding them, as the other run writes it, would take the destination
  // for one level too high.
  TempDir dir;
  for (int i = 0; i < 40; ++i) {
    PixFile pix = start_pix_file();
    add_texture(&pix, kType8Bit, 64, 64, "t.pix", Bytes(64 * 64, static_cast<uint8_t>(i)));
    write_file(dir.path / "src" / (i < 32 ? "sub" : "") / (std::to_string(100 + i) + ".PIX"), pix.bytes);
  }
  run_velmire({dir.sub("src"), dir.sub("images"), "-racepal", "-r"});
  const fs::path dst = dir.path / "dst";
  for (const char* how : {"nested", "without locks"}) {
    const bool nested = how[0] == 'n';
    for (int round = 0; round < 10; ++round) {
      SCOPED_TRACE(std::string(how) + ", round " + std::to_string(round));
      fs::remove_all(dst);
      fs::create_directories(dst / "sub");
      pid_t runs[2];
      for (int i = 0; i < 2; ++i) {
        if ((runs[i] = fork()) != 0) continue;
        if (!nested) set_system_call_hook([](SystemCall call, const char*) { return call == SystemCall::lock ? ENOLCK : 0; });
        if (i == 1) usleep(static_cast<useconds_t>(round * 7000));  // now sooner, now later in the first's walk
        const std::string from = dir.sub(i == 1 && nested ? "images/sub" : "images");
        const std::string to = dir.sub(i == 1 && nested ? "dst/sub" : "dst");
        const std::string err_path = dir.sub("err" + std::to_string(i));
        const char* argv[] = {"velmire-pack", from.c_str(), to.c_str(), "-racepal", "-r"};
        FILE* out = std::fopen("/dev/null", "w");
        FILE* err = std::fopen(err_path.c_str(), "w");
        const int status = run_pack(5, argv, out, err);
        std::fclose(err);
        _exit(status);
      }
      for (int i = 0; i < 2; ++i) {
        int status = -1;
        waitpid(runs[i], &status, 0);
        const Bytes err = read_file(dir.path / ("err" + std::to_string(i)));
        EXPECT_EQ(status, 0) << std::string(err.begin(), err.end());
        EXPECT_EQ(std::string(err.begin(), err.end()).find("Could not write"), std::string::npos);
      }
      EXPECT_EQ(list_tree(dst), list_tree(dir.path / "src"));
      for (const std::string& name : list_tree(dir.path / "src"))
        EXPECT_TRUE(name.back() == '/' || read_file(dst / name) == read_file(dir.path / "src" / name)) << name;
    }
  }
#endif
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
  const std::string pack = quoted(VELMIRE_PACK_BINARY) + " " + dir.sub("images") + " " + dir.sub("game") + " -racepal >/dev/null 2>&1";
  fs::copy(dir.path / "game", dir.path / "probe");
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run_shell(quoted(VELMIRE_PACK_BINARY) + " " + dir.sub("images") + " " + dir.sub("probe") + " -racepal >/dev/null"), 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(std::random_device{}());
  int killed = 0;
  for (int round = 0; round < 20; ++round) {
    const double delay = std::uniform_real_distribution<double>(0, seconds)(random);
    // --foreground: timeout waits for the killed run to be gone (a run killed
    // in a sync lives on until the sync returns, its files its own till then).
    killed += run_shell("timeout --foreground -s KILL " + std::to_string(delay) + " " + pack) == 128 + 9;
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
  Bytes runs;  // of one colour
  for (uint32_t row = 0; row < side; ++row) {
    for (uint32_t x = 0; x < side; x += 250) runs.insert(runs.end(), {250, 0});
    runs.insert(runs.end(), {0, 0});
  }
  write_file(dir.path / "images" / "100.PIX" / "0001. t.pix.bmp", bmp_of_rows(side, side, 8, 1, 40, {}, {0}, runs));
  fs::create_directory(dir.path / "dst");
  const int status = run_shell("ulimit -v 60000 && " + quoted(VELMIRE_PACK_BINARY) + " " + dir.sub("images") + " " +
                               dir.sub("dst") + " -racepal -maxpixels 100000000 >/dev/null 2>" + dir.sub("err"));
  const Bytes err = read_file(dir.path / "err");
  EXPECT_EQ(status, 2) << std::string(err.begin(), err.end());
  EXPECT_NE(std::string(err.begin(), err.end()).find("not enough memory"), std::string::npos);
  EXPECT_EQ(list_tree(dir.path / "dst"), std::vector<std::string>{"101.PIX"});
#endif
}

}  // namespace
