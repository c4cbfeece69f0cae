// The program's arguments, and what it tells standard error: the usage and
// version on request, a note on ignored arguments, a usage error, the reason
// for a lost output.
#pragma once

#include <cstdint>
#include <ostream>

#include "console/console.h"

enum class Request { run, help, version, run_ignoring_arguments, block, all, usage_error };

struct CommandLine {
  Request request = Request::run;
  std::int32_t block = 0;      // N of --block, from 1
  const char *file = nullptr;  // FILE as given, or nullptr for the data file
};

// The first argument decides. Only --block and --all look at what follows
// it; after the others it is ignored.
CommandLine read_command_line(int argc, const char *const *argv);

void write_usage(Console &console);
void write_version(Console &console);
void note_ignored_arguments(std::ostream &errors);
// The exit status of a usage error, after the usage on `errors`.
int report_usage_error(std::ostream &errors);
// The exit status for the run: 1, with the reason on `errors`, when any of
// the console's output was lost; 0 otherwise.
int finish_run(Console &console, std::ostream &errors);
