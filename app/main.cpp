// The determinant program: evaluates one integer matrix per run, typed in or
// chosen from MatrixDataFile1.txt, and exits 1 when its output was lost.
#include <iostream>

#include "app/command_line.h"
#include "app/menu.h"

int main(int argc, char **argv) {
  // The console layer flushes the output before any read that may wait, so
  // the streams need neither the C library's buffers nor the tie between
  // them, which would flush before every character read.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);
  Console console{std::cin, std::cout};
  switch (read_command_line(argc, argv)) {
    case CommandLine::help:
      write_usage(console);
      break;
    case CommandLine::version:
      write_version(console);
      break;
    case CommandLine::run_ignoring_arguments:
      note_ignored_arguments(std::cerr);
      run_menu(console);
      break;
    case CommandLine::run:
      run_menu(console);
      break;
  }
  return finish_run(console, std::cerr);
}
