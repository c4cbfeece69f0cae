// What the program asks of the operating system beyond ISO C++, each with a
// portable default for systems it does not know.
#pragma once

// True for an existing regular file. A FIFO, a directory or a device is no
// data file, and opening some of them would wait or read for ever.
bool platform_is_regular_file(const char *name);
