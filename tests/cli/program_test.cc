// Started by a double click (no argument, a console of its own), a program
// waits for Enter after its usage, so that its window stays until read;
// started any other way it never waits.
#include <gtest/gtest.h>

#include <string>

#include "cli/program.h"
#include "cli/run.h"
#include "test_support.h"

namespace {

uint32_t console_processes = 0;
int waits = 0;

uint32_t count_processes() { return console_processes; }
void count_wait() { ++waits; }

TEST(Console, WaitsOnlyWhenStartedWithoutArgumentsInAConsoleOfItsOwn) {
  struct Case {
    int argc;
    uint32_t processes;
    bool waits;
  };
  const Case cases[] = {{1, 1, true}, {1, 2, false}, {1, 0, false}, {2, 1, false}};
  const std::string prompt = "\n\nPress Enter to close";
  for (const Case& c : cases) {
    console_processes = c.processes;
    waits = 0;
    const char* argv[] = {"velmire", "--version", nullptr};
    FILE* out = scratch_stream();
    FILE* err = scratch_stream();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
    const int status = run_in_console(run, c.argc, argv, out, err, ConsoleSeam{count_processes, count_wait});
    const std::string text = read_and_close(out);
    read_and_close(err);
    SCOPED_TRACE(testing::Message() << "argc " << c.argc << ", " << c.processes << " processes");
    EXPECT_EQ(status, c.argc == 1 ? 1 : 0);
    EXPECT_EQ(waits, c.waits ? 1 : 0);
    const bool prompted = text.size() > prompt.size() && text.ends_with(prompt);
    EXPECT_EQ(prompted, c.waits);
    EXPECT_EQ(text.starts_with(c.argc == 1 ? "velmire 1.0\n" : "velmire "), true);
  }
}

}  // namespace
