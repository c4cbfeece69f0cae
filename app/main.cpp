// The determinant program: evaluates one integer matrix per run, typed in or
// chosen from MatrixDataFile1.txt, or the blocks of a data file for a script.
#include <iostream>

#include "app/block_options.h"
#include "app/command_line.h"
#include "app/menu.h"

int main(int argc, char **argv) {
  // The console layer flushes the output before any read that may wait, so
  // the streams need neither the C library's buffers nor the tie between
  // them, which would flush before every character read.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);
  Console console{std::cin, std::cout};
  console.errors = &std::cerr;
  const CommandLine command = read_command_line(argc, argv);
  int status = 0;
  switch (command.request) {
    case Request::help:
      write_usage(console);
      break;
    case Request::version:
      write_version(console);
      break;
    case Request::usage_error:
      return report_usage_error(std::cerr);
    case Request::block:
    case Request::all:
      status = evaluate_blocks(command, console);
      break;
    case Request::run_ignoring_arguments:
      note_ignored_arguments(std::cerr);
      run_menu(console);
      break;
    case Request::run:
      run_menu(console);
      break;
  }
  const int output_status = finish_run(console, std::cerr);
  return output_status != 0 ? output_status : status;
}
