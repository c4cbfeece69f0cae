// The one place that asks the system what ISO C++ cannot. POSIX systems and
// the Windows C runtime both provide stat().
#include "input/platform.h"

#include <cerrno>

#if __has_include(<sys/stat.h>)
#include <sys/stat.h>

FileKind platform_file_kind(const char *name, int &error) {
  struct stat status {};
  if (stat(name, &status) != 0) {
    error = errno;
    return FileKind::missing;
  }
  if ((status.st_mode & S_IFMT) == S_IFREG) return FileKind::regular;
  return (status.st_mode & S_IFMT) == S_IFDIR ? FileKind::directory : FileKind::other;
}

#else

// Without a way to ask, the file is simply opened, as any C program would.
FileKind platform_file_kind(const char *, int &) { return FileKind::regular; }

#endif

#ifdef _WIN32
bool platform_answers_slash_question() { return true; }
#else
bool platform_answers_slash_question() { return false; }
#endif
