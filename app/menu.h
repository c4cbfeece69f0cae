// The run: the menu, one matrix from the keyboard or the data file, its
// evaluation and the closing pause.
#pragma once

#include "console/console.h"

// The program's run over standard input and output.
void run_menu();
// The same run over any console, for tests and fuzzing.
void run_menu(Console &console);
