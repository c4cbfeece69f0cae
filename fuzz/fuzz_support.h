// What both fuzz targets need around the program: a private working directory
// for the data file (the program opens it by a relative name), checks on that
// file, and a way to fail loudly.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "input/data_file.h"

inline char fuzz_directory[64];
inline int fuzz_home = -1;  // the directory the fuzzer was started in

// Back home first, so the finding's artifact lands where the user asked.
[[noreturn]] inline void fuzz_fail(const char *what) {
  if (fuzz_home >= 0 && fchdir(fuzz_home) != 0) std::fprintf(stderr, "cannot return to the start directory\n");
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

inline void fuzz_remove_data_file() {
  if (unlink(DATA_FILE_NAME) == 0 || errno == ENOENT) return;
  // unlink refuses a directory (EISDIR on Linux, EPERM elsewhere).
  rmdir(DATA_FILE_NAME);
}

inline void fuzz_remove_directory() {
  if (fuzz_directory[0] == '\0' || chdir(fuzz_directory) != 0) return;
  fuzz_remove_data_file();
  if (chdir("/") == 0) rmdir(fuzz_directory);
}

// Each input runs in a private directory, created once per process; in memory
// when /dev/shm exists, because every input rewrites the file and a disk
// would make that the slowest step. Only during the input: libFuzzer reads
// and writes corpus files by the paths it was given, relative ones included.
inline void fuzz_enter_private_directory() {
  if (fuzz_directory[0] == '\0') {
    struct stat status {};
    const bool shm = stat("/dev/shm", &status) == 0 && S_ISDIR(status.st_mode) && access("/dev/shm", W_OK) == 0;
    std::snprintf(fuzz_directory, sizeof fuzz_directory, "%s/determinant-fuzz-XXXXXX", shm ? "/dev/shm" : "/tmp");
    fuzz_home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fuzz_home < 0 || mkdtemp(fuzz_directory) == nullptr) fuzz_fail("no private working directory");
    std::atexit(fuzz_remove_directory);
  }
  if (chdir(fuzz_directory) != 0) fuzz_fail("cannot enter the private working directory");
}

inline void fuzz_leave_private_directory() {
  if (fchdir(fuzz_home) != 0) fuzz_fail("cannot return to the start directory");
}

// A crash or a timeout is written out while the input is still in the private
// directory, so the paths for those artifacts are made absolute up front
// (libFuzzer reads its flags after LLVMFuzzerInitialize).
inline void fuzz_absolute_artifact_paths(int *argc, char ***argv) {
  static std::vector<std::string> arguments;
  static std::vector<char *> pointers;
  char here[PATH_MAX];
  if (getcwd(here, sizeof here) == nullptr) return;
  bool has_prefix = false;
  for (int i = 0; i < *argc; ++i) {
    std::string argument = (*argv)[i];
    for (const std::string_view flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
      if (argument.rfind(flag, 0) != 0) continue;
      has_prefix = has_prefix || flag == "-artifact_prefix=";
      if (argument.size() > flag.size() && argument[flag.size()] != '/')
        argument.insert(flag.size(), std::string(here) + "/");
    }
    arguments.push_back(argument);
  }
  if (!has_prefix) arguments.push_back(std::string("-artifact_prefix=") + here + "/");
  for (std::string &argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  *argc = static_cast<int>(arguments.size());
  *argv = pointers.data();
}

inline void fuzz_put_data_file(std::string_view bytes) {
  fuzz_remove_data_file();
  const int descriptor = open(DATA_FILE_NAME, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) fuzz_fail("cannot write the data file");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (count <= 0) fuzz_fail("cannot write the data file");
    done += static_cast<std::size_t>(count);
  }
  close(descriptor);
}

// A directory where the file should be, which the program must refuse to read.
inline void fuzz_put_data_directory() {
  fuzz_remove_data_file();
  if (mkdir(DATA_FILE_NAME, 0755) != 0) fuzz_fail("cannot make the data directory");
}

// The program only ever reads the data file.
inline void fuzz_check_data_file_unchanged(std::string_view bytes) {
  const int descriptor = open(DATA_FILE_NAME, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) fuzz_fail("the data file disappeared");
  char chunk[4096];
  std::size_t offset = 0;
  for (;;) {
    const ssize_t count = read(descriptor, chunk, sizeof chunk);
    if (count < 0) fuzz_fail("cannot read the data file back");
    if (count == 0) break;
    const auto length = static_cast<std::size_t>(count);
    if (offset + length > bytes.size() || std::memcmp(chunk, bytes.data() + offset, length) != 0)
      fuzz_fail("the data file was changed");
    offset += length;
  }
  close(descriptor);
  if (offset != bytes.size()) fuzz_fail("the data file was shortened");
}
