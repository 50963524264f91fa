// What both programs' main does around their run: the arguments as UTF-8,
// the console's text, and the wait of a program started by a double click.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

using ProgramRun = int (*)(int argc, const char* const* argv, FILE* out, FILE* err);

// What the wait asks of the console, apart so that tests can stand in.
struct ConsoleSeam {
  uint32_t (*process_count)() = console_process_count;
  void (*wait_for_enter)() = ::wait_for_enter;
};

// Runs the program. Started with no argument in a console of its own (an
// exe double-clicked on Windows), it has printed its usage into a window
// that closes when it ends: then it says "Press Enter to close" and waits.
// From a console, a script or on Linux it never waits. Returns the
// program's status.
int run_in_console(ProgramRun program, int argc, const char* const* argv, FILE* out, FILE* err,
                   const ConsoleSeam& console);

// main's whole work.
int program_main(ProgramRun program, int argc, char** argv);
#ifdef _WIN32
int program_main(ProgramRun program, int argc, wchar_t** argv);
#endif
