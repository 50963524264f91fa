#include "cli/program.h"
#include "pack/pack_run.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return program_main(run_pack, argc, argv); }
#else
int main(int argc, char** argv) { return program_main(run_pack, argc, argv); }
#endif
