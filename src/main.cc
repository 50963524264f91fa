#include <cstdio>

#include "cli/run.h"

int main(int argc, char** argv) {
  return run(argc, argv, stdout, stderr);
}
