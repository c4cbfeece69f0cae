// Buffered reads through the C library's file streams, in text mode, so a
// system's own line ends read as '\n'.
#include "input/text_file.h"

#include <cerrno>
#include <cstring>

#include "input/platform.h"

// Checked before the open: opening a FIFO would wait for a writer. (A FIFO
// put in the file's place between the check and the open would still be
// waited on; the C library offers no open that cannot wait.)
const char *text_file_open(TextFile &file, const char *name) {
  file.position = file.length = 0;
  file.read_errno = 0;
  file.stream = nullptr;
  int error = 0;
  switch (platform_file_kind(name, error)) {
    case FileKind::missing:
      return std::strerror(error);
    case FileKind::directory:
      return std::strerror(EISDIR);
    case FileKind::other:
      return "not a regular file";
    case FileKind::regular:
      break;
  }
  errno = 0;
  file.stream = std::fopen(name, "r");
  if (file.stream == nullptr) return std::strerror(errno != 0 ? errno : EACCES);
  // The fixed buffer is the only one; the stream keeps none of its own.
  std::setvbuf(file.stream, nullptr, _IONBF, 0);
  return nullptr;
}

void text_file_open_standard_input(TextFile &file) {
  file.position = file.length = 0;
  file.read_errno = 0;
  file.stream = stdin;
  std::setvbuf(file.stream, nullptr, _IONBF, 0);
}

static bool refill(TextFile &file) {
  file.position = 0;
  errno = 0;
  file.length = std::fread(file.buffer.data(), 1, file.buffer.size(), file.stream);
  if (file.length == 0 && std::ferror(file.stream) && file.read_errno == 0)
    file.read_errno = errno != 0 ? errno : EIO;
  return file.length > 0;
}

int text_file_get(TextFile &file) {
  if (file.position == file.length && !refill(file)) return END_OF_FILE;
  return static_cast<unsigned char>(file.buffer[file.position++]);
}

int text_file_peek(TextFile &file) {
  if (file.position == file.length && !refill(file)) return END_OF_FILE;
  return static_cast<unsigned char>(file.buffer[file.position]);
}

bool text_file_starts_with(TextFile &file, std::string_view prefix) {
  if (file.length == 0) refill(file);
  return file.position == 0 && file.length >= prefix.size() &&
         std::memcmp(file.buffer.data(), prefix.data(), prefix.size()) == 0;
}

const char *text_file_read_error(const TextFile &file) {
  return file.read_errno != 0 ? std::strerror(file.read_errno) : nullptr;
}

void text_file_rewind(TextFile &file) {
  std::rewind(file.stream);
  file.position = file.length = 0;
}

void text_file_close(TextFile &file) {
  if (file.stream != nullptr && file.stream != stdin) std::fclose(file.stream);
  file.stream = nullptr;
}
