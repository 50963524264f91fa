#include "cli/program.h"

#include <string>
#include <vector>

int run_in_console(ProgramRun program, int argc, const char* const* argv, FILE* out, FILE* err,
                   const ConsoleSeam& console) {
  const int status = program(argc, argv, out, err);
  if (argc == 1 && console.process_count() == 1) {
    std::fputs("\n\nPress Enter to close", out);
    std::fflush(out);
    console.wait_for_enter();
  }
  return status;
}

int program_main(ProgramRun program, int argc, char** argv) {
  ConsoleText text;
  open_console_text(&text);
  const int status = run_in_console(program, argc, argv, text.out, text.err, ConsoleSeam{});
  close_console_text(&text);
  return status;
}

#ifdef _WIN32
int program_main(ProgramRun program, int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  std::vector<char*> pointers;
  for (int i = 0; i < argc; ++i) arguments.push_back(utf8_argument(argv[i]));
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return program_main(program, argc, pointers.data());
}
#endif
