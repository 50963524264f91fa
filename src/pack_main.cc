#include <cstdio>

#include "pack/pack_run.h"

int main(int argc, char** argv) {
  return run_pack(argc, argv, stdout, stderr);
}
