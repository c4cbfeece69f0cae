// Buffered reads through the C library's file streams, in text mode, so a
// system's own line ends read as '\n'.
#include "input/text_file.h"

#include <cstring>

#include "input/platform.h"

// Checked before the open: opening a FIFO would wait for a writer. (A FIFO
// put in the file's place between the check and the open would still be
// waited on; the C library offers no open that cannot wait.)
bool text_file_open(TextFile &file, const char *name) {
  file.position = file.length = 0;
  file.stream = platform_is_regular_file(name) ? std::fopen(name, "r") : nullptr;
  if (file.stream == nullptr) return false;
  // The fixed buffer is the only one; the stream keeps none of its own.
  std::setvbuf(file.stream, nullptr, _IONBF, 0);
  return true;
}

static bool refill(TextFile &file) {
  file.position = 0;
  file.length = std::fread(file.buffer.data(), 1, file.buffer.size(), file.stream);
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

void text_file_rewind(TextFile &file) {
  std::rewind(file.stream);
  file.position = file.length = 0;
}

void text_file_close(TextFile &file) {
  if (file.stream != nullptr) std::fclose(file.stream);
  file.stream = nullptr;
}
