// Buffered reads over a POSIX file descriptor.
#include "input/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static bool is_regular_file(int descriptor) {
  struct stat status {};
  return fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

// Opening a FIFO would wait for a writer, so the open does not block; a
// regular file then goes back to ordinary blocking reads.
bool text_file_open(TextFile &file, const char *name) {
  file.position = file.length = 0;
  file.descriptor = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (file.descriptor < 0) return false;
  if (is_regular_file(file.descriptor) && fcntl(file.descriptor, F_SETFL, 0) == 0) return true;
  text_file_close(file);
  return false;
}

static bool refill(TextFile &file) {
  ssize_t count;
  do {
    count = read(file.descriptor, file.buffer.data(), file.buffer.size());
  } while (count < 0 && errno == EINTR);
  file.position = 0;
  file.length = count > 0 ? static_cast<std::size_t>(count) : 0;
  return file.length > 0;
}

int text_file_get(TextFile &file) {
  if (file.position == file.length && !refill(file)) return END_OF_FILE;
  return static_cast<unsigned char>(file.buffer[file.position++]);
}

void text_file_rewind(TextFile &file) {
  lseek(file.descriptor, 0, SEEK_SET);
  file.position = file.length = 0;
}

void text_file_close(TextFile &file) {
  if (file.descriptor >= 0) close(file.descriptor);
  file.descriptor = -1;
}
