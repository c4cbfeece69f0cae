// The program's arguments, and what it tells standard error: the usage and
// version on request, a note on ignored arguments, the reason for a lost output.
#pragma once

#include <ostream>

#include "console/console.h"

enum class CommandLine { run, help, version, run_ignoring_arguments };

// The first argument decides; whatever follows it is never looked at.
CommandLine read_command_line(int argc, const char *const *argv);

void write_usage(Console &console);
void write_version(Console &console);
void note_ignored_arguments(std::ostream &errors);
// The exit status for the run: 1, with the reason on `errors`, when any of
// the console's output was lost; 0 otherwise.
int finish_run(Console &console, std::ostream &errors);
