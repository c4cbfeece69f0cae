// The determinant program: evaluates one integer matrix per run, typed in or
// chosen from MatrixDataFile1.txt. Arguments are ignored.
#include <iostream>

#include "app/menu.h"

int main() {
  // The console layer flushes the output before any read that may wait, so
  // the streams need neither the C library's buffers nor the tie between
  // them, which would flush before every character read.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);
  run_menu();
  return 0;
}
