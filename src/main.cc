#include "cli/program.h"
#include "cli/run.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return program_main(run, argc, argv); }
#else
int main(int argc, char** argv) { return program_main(run, argc, argv); }
#endif
