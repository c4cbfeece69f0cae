// Console reads and writes over injectable streams, with the conversions of
// the program's formatted input done by hand so every outcome is defined.
#include "console/console.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console/digit_run.h"

// Called after every write and flush, while errno still belongs to the write
// that failed.
static void note_write_failure(Console &console) {
  if (console.write_failed || !console.out.bad()) return;
  console.write_failed = true;
  console.write_errno = errno;
}

static void flush_output(Console &console) {
  console.out.flush();
  note_write_failure(console);
}

// The one place the console input is read. When nothing is buffered the read
// may wait for the user, so everything written so far goes out first; input
// that is already waiting is read without a write per character.
static int peek_char(Console &console) {
  if (console.in.rdbuf()->in_avail() <= 0) flush_output(console);
  const auto next = console.in.peek();
  return next == std::istream::traits_type::eof() ? END_OF_INPUT : next;
}

// Only after peek_char has buffered the character, so it cannot wait or fail.
static void take_char(Console &console) { console.in.rdbuf()->sbumpc(); }

static bool is_space(int c) { return c != END_OF_INPUT && std::isspace(static_cast<unsigned char>(c)); }

int console_read_char(Console &console) {
  const int c = peek_char(console);
  if (c != END_OF_INPUT) take_char(console);
  return c;
}

void console_discard_char(Console &console) { console_read_char(console); }

bool console_drop_line(Console &console) {
  for (;;) {
    const int c = console_read_char(console);
    if (c == '\n') return true;
    if (c == END_OF_INPUT) return false;
  }
}

bool console_input_ended(Console &console) { return peek_char(console) == END_OF_INPUT; }

bool console_accept_char(Console &console, char expected) {
  if (peek_char(console) != static_cast<unsigned char>(expected)) return false;
  take_char(console);
  return true;
}

static ScanStatus scan_digits(Console &console, bool negative, std::int32_t &value) {
  DigitRun run;
  for (int c = peek_char(console); is_decimal_digit(c); c = peek_char(console)) {
    take_char(console);
    digit_run_add(run, c - '0');
  }
  if (digit_run_value(run, negative, value)) return ScanStatus::ok;
  return negative ? ScanStatus::too_small : ScanStatus::too_large;
}

ScanStatus console_scan_int(Console &console, std::int32_t &value) {
  int c = peek_char(console);
  while (is_space(c)) {
    take_char(console);
    c = peek_char(console);
  }
  if (c == END_OF_INPUT) return ScanStatus::end_of_input;
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    take_char(console);
    c = peek_char(console);
  }
  if (!is_decimal_digit(c)) return c == END_OF_INPUT ? ScanStatus::end_of_input : ScanStatus::no_number;
  return scan_digits(console, negative, value);
}

void console_write(Console &console, std::string_view text) {
  console.out.write(text.data(), static_cast<std::streamsize>(text.size()));
  note_write_failure(console);
}

void console_flush(Console &console) { flush_output(console); }

void console_write_line(Console &console, std::string_view text) {
  console_write(console, text);
  console_write(console, "\n");
}

void console_printf(Console &console, const char *format, ...) {
  char buffer[256];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length <= 0) return;
  const auto written = static_cast<std::size_t>(length) < sizeof buffer ? length : sizeof buffer - 1;
  console_write(console, std::string_view(buffer, written));
}

void console_report(Console &console, std::initializer_list<std::string_view> parts) {
  if (console.errors == nullptr) return;
  flush_output(console);
  std::ostream &errors = *console.errors;
  errors << "determinant";
  for (const std::string_view part : parts) errors << ": " << part;
  errors << '\n';
  errors.flush();
}

// A stream can fail without the library setting errno; the generic I/O error
// is then the truest reason there is.
const char *console_finish_output(Console &console) {
  flush_output(console);
  if (!console.write_failed) return nullptr;
  return std::strerror(console.write_errno != 0 ? console.write_errno : EIO);
}
