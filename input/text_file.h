// A read-only text file read one character at a time through a fixed buffer,
// with no allocation of the program's own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

inline constexpr int END_OF_FILE = -1;

struct TextFile {
  std::FILE *stream = nullptr;
  std::size_t position = 0;
  std::size_t length = 0;
  int read_errno = 0;  // the first failed read's errno
  std::array<char, 4096> buffer{};
};

// Opens regular files only: a directory, a FIFO or a device is no data file.
// Returns nullptr, or the reason the file cannot be read: the system's words,
// or "not a regular file".
const char *text_file_open(TextFile &file, const char *name);
// Standard input, which may be a pipe; it is read once and never closed.
void text_file_open_standard_input(TextFile &file);
// The next character, or END_OF_FILE at the end or on a read error.
int text_file_get(TextFile &file);
// The character text_file_get would return next, left unread.
int text_file_peek(TextFile &file);
// Whether a file that nothing was read from yet begins with `prefix`, which
// stays unread.
bool text_file_starts_with(TextFile &file, std::string_view prefix);
// The system's words for the first read that failed, or nullptr.
const char *text_file_read_error(const TextFile &file);
void text_file_rewind(TextFile &file);
void text_file_close(TextFile &file);
