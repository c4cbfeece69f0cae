// Reading the data file: a listing pass that echoes every block, the user's
// pick, a second pass that finds the picked block, and its parse. The file is
// opened read-only and never written.
#include "input/data_file.h"

#include <string_view>

#include "input/data_block.h"

// Control characters other than tab and line breaks are shown in caret
// notation, as `cat -v` does, so a data file cannot send the terminal escape
// sequences, bells or backspaces. A CR is a line break only as part of CR LF:
// alone it would move the cursor back and let later text overwrite the line.
static void echo_char(int c, TextFile &file, Console &console) {
  const bool line_break = c == '\n' || (c == '\r' && text_file_peek(file) == '\n');
  const bool control = (c < 0x20 && c != '\t' && !line_break) || c == 0x7F;
  if (control) {
    const char caret[] = {'^', static_cast<char>(c ^ 0x40)};
    console_write(console, std::string_view(caret, sizeof caret));
  } else {
    const char plain = static_cast<char>(c);
    console_write(console, std::string_view(&plain, 1));
  }
}

// Echoes the block whose '[' was just read, up to its ']' or the end of the
// file, and ends it with the closing line and a blank line.
static void echo_block(TextFile &file, Console &console) {
  console_write(console, "[");
  for (int c = text_file_get(file); c != ']' && c != END_OF_FILE; c = text_file_get(file))
    echo_char(c, file, console);
  console_write_line(console, "]\n");
}

// Blocks past the largest 32-bit number are neither listed nor choosable;
// only a file of several gigabytes gets there.
static std::int32_t list_blocks(TextFile &file, Console &console) {
  std::int32_t count = 0;
  for (int c = text_file_get(file); c != END_OF_FILE && count < INT32_MAX; c = text_file_get(file)) {
    if (c != '[') continue;
    ++count;
    console_printf(console, "%d  ", count);
    echo_block(file, console);
  }
  return count;
}

// The user's pick from 1 to `count`, or 0 to abort. An answer without a
// number leaves the pick as it was, so on the first prompt it aborts.
static std::int32_t select_block(Console &console, std::int32_t count) {
  std::int32_t selection = 0;
  for (;;) {
    console_write_line(console, "Input number before the selected data-input (zero to abort):");
    const ScanStatus status = console_scan_int(console, selection);
    if (status == ScanStatus::end_of_input) return 0;
    console_discard_char(console);
    const bool in_range = !scan_out_of_range(status) && selection >= 0 && selection <= count;
    if (in_range) return selection;
    console_printf(console, "Number must be between 1 and %d\n", count);
  }
}

// Leaves the file just after the '[' of block `selection`; false when the
// file ends first.
static bool locate_block(TextFile &file, std::int32_t selection) {
  text_file_rewind(file);
  std::int32_t count = 0;
  for (int c = text_file_get(file); c != END_OF_FILE; c = text_file_get(file)) {
    if (c != '[') continue;
    if (++count == selection) return true;
    skip_block(file);
  }
  return false;
}

// Reads and parses block `selection`; the size code, or 0 after a message.
static std::int32_t load_block(TextFile &file, std::int32_t selection, MatrixRecord &record,
                               Console &console) {
  const char *refusal = locate_block(file, selection) ? load_matrix_block(file, record) : NO_CLOSING_REASON;
  text_file_close(file);
  if (refusal != nullptr) {
    console_write_line(console, refusal);
    return 0;
  }
  return record[0];
}

std::int32_t read_matrix_from_data_file(MatrixRecord &record, Console &console) {
  TextFile file;
  const char *reason = text_file_open(file, DATA_FILE_NAME);
  if (reason != nullptr) {
    console_printf(console, "Cannot find file %s\n", DATA_FILE_NAME);
    console_report(console, {DATA_FILE_NAME, reason});
    return 0;
  }
  if (starts_as_utf16(file)) {
    text_file_close(file);
    console_printf(console, "Cannot read %s: %s\n", DATA_FILE_NAME, UTF16_REASON);
    return 0;
  }
  const std::int32_t selection = select_block(console, list_blocks(file, console));
  if (selection == 0) {
    text_file_close(file);
    return 0;
  }
  return load_block(file, selection, record, console);
}
