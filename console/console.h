// The one layer between the program and its console: blocking reads from an
// input stream and writes to an output stream, so whole dialogues can be run
// over in-memory streams as well as over the real terminal.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <istream>
#include <ostream>
#include <string_view>

struct Console {
  std::istream &in;
  std::ostream &out;
  // The first failed write: once the stream has failed, later writes do
  // nothing, so its errno is the reason the output was lost.
  bool write_failed = false;
  int write_errno = 0;
  // Where the program's complaints go, standard error; none when null.
  std::ostream *errors = nullptr;
};

inline constexpr int END_OF_INPUT = -1;

enum class ScanStatus {
  ok,
  no_number,     // the next character cannot start or continue a number
  too_large,     // a whole digit run was read, above the 32-bit range
  too_small,     // a whole digit run was read, below the 32-bit range
  end_of_input,
};

// A number was typed, but it does not fit 32 bits.
inline bool scan_out_of_range(ScanStatus status) {
  return status == ScanStatus::too_large || status == ScanStatus::too_small;
}

// Every read below first flushes the output when no input is buffered, that
// is, whenever it may wait, so each prompt is seen before the program waits
// for its answer. Input already buffered is read without flushing.
int console_read_char(Console &console);
// The character discard that follows every answer.
void console_discard_char(Console &console);
// Drops everything up to and including the next line break; false when the
// input ended first.
bool console_drop_line(Console &console);
// True when nothing is left to read.
bool console_input_ended(Console &console);
// Consumes `expected` if it is the next character, and nothing otherwise.
bool console_accept_char(Console &console, char expected);
// Formatted input of one decimal: skips leading white space, takes an optional
// sign and a digit run. On failure `value` is unchanged and the character that
// stopped the conversion is left unread.
ScanStatus console_scan_int(Console &console, std::int32_t &value);

void console_write(Console &console, std::string_view text);
// Puts what was written on the screen now, before a long computation.
void console_flush(Console &console);
// Line output: the text and a line break.
void console_write_line(Console &console, std::string_view text);
// Formatted output; the result must fit a short fixed buffer.
[[gnu::format(printf, 2, 3)]] void console_printf(Console &console, const char *format, ...);
// One line on the errors stream: "determinant: " and the parts joined by
// ": ". The output written so far goes out first, so a console that shows
// both streams shows them in order.
void console_report(Console &console, std::initializer_list<std::string_view> parts);
// Flushes what is left and says why the output was lost: the system's text
// for the first failed write, or nullptr when every write succeeded.
const char *console_finish_output(Console &console);
