// The one place that asks the system what ISO C++ cannot. POSIX systems and
// the Windows C runtime both provide stat().
#include "input/platform.h"

#if __has_include(<sys/stat.h>)
#include <sys/stat.h>

bool platform_is_regular_file(const char *name) {
  struct stat status {};
  return stat(name, &status) == 0 && (status.st_mode & S_IFMT) == S_IFREG;
}

#else

// Without a way to ask, the file is simply opened, as any C program would.
bool platform_is_regular_file(const char *) { return true; }

#endif
