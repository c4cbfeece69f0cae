// The run: the menu, one matrix from the keyboard or the data file, its
// evaluation and the closing pause.
#pragma once

#include "console/console.h"

// One run over the console; the caller flushes what is left.
void run_menu(Console &console);
