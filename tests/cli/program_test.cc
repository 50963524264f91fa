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

TEST(Console, WaitsOnlyWhenStartedWithoutArgumentsInAConsoleOfItsOwn) {
  struct Case { int argc; uint32_t processes; bool waits; };
  const Case cases[] = {{1, 1, true}, {1, 2, false}, {1, 0, false}, {2, 1, false}};
  const ConsoleSeam console{[] { return console_processes; }, [] { ++waits; }};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "argc " << c.argc << ", " << c.processes << " processes");
    console_processes = c.processes;
    waits = 0;
    const char* argv[] = {"velmire", "--version", nullptr};
    FILE* out = scratch_stream();
    FILE* err = scratch_stream();
    EXPECT_EQ(run_in_console(run, c.argc, argv, out, err, console), c.argc == 1 ? 1 : 0);
    const std::string text = read_and_close(out);
    read_and_close(err);
    EXPECT_EQ(waits, c.waits ? 1 : 0);
    EXPECT_EQ(text.starts_with("velmire ") && text.ends_with("\n\nPress Enter to close"), c.waits);
  }
}

}  // namespace
