// The options for scripts: --block N [FILE] and --all [FILE] evaluate blocks
// of a data file with no dialogue, values on standard output and refusals on
// the console's errors stream.
#pragma once

#include "app/command_line.h"
#include "console/console.h"

// The exit status: 0 when every block asked for was evaluated, 1 when the
// file could not be read, a block was refused or block N does not exist.
int evaluate_blocks(const CommandLine &command, Console &console);
