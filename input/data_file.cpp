// Reading the data file: a listing pass that echoes every block, the user's
// pick, a second pass that finds the picked block, and its parse. The file is
// opened read-only and never written.
#include "input/data_file.h"

#include <array>
#include <string_view>

#include "input/matrix_block.h"
#include "input/text_file.h"

using BlockBuffer = std::array<char, RECORD_CAPACITY>;

enum class BlockRead { ok, not_marked, no_closing, too_long };

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

// Moves past the ']' that closes the block whose '[' was just read.
static void skip_block(TextFile &file) {
  for (int c = text_file_get(file); c != ']' && c != END_OF_FILE; c = text_file_get(file)) {
  }
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

// Copies the located block from '[' to ']' into the buffer, leaving room for
// the terminator, and sets `length` to the characters copied.
static BlockRead read_block(TextFile &file, BlockBuffer &buffer, std::size_t &length) {
  buffer[0] = '[';
  const int marker = text_file_get(file);
  if (marker != 'M' && marker != 'm') return BlockRead::not_marked;
  buffer[1] = 'M';
  length = 2;
  for (;;) {
    const int c = text_file_get(file);
    if (c == END_OF_FILE) return BlockRead::no_closing;
    if (length == buffer.size() - 1) return BlockRead::too_long;
    buffer[length++] = static_cast<char>(c);
    if (c == ']') break;
  }
  buffer[length] = '\0';
  return BlockRead::ok;
}

static const char *block_read_message(BlockRead result) {
  switch (result) {
    case BlockRead::not_marked:
      return "Input-array in file not marked 'M' (after '[') for Matrix data";
    case BlockRead::no_closing:
      return "Input-array in file has no closing ']'";
    case BlockRead::too_long:
      return "Input-array in file longer than 1000 characters";
    case BlockRead::ok:
      break;
  }
  return "";
}

static const char *block_parse_message(BlockParse result) {
  switch (result) {
    case BlockParse::too_few_numbers:
      return "Input-array in file holds fewer numbers than its size needs";
    case BlockParse::too_many_elements:
      return "Input-array in file larger than 999 elements";
    case BlockParse::number_out_of_range:
      return "Number in input-array in file out of range";
    case BlockParse::ok:
      break;
  }
  return "";
}

// Reads and parses block `selection`; the size code, or 0 after a message.
static std::int32_t load_block(TextFile &file, std::int32_t selection, MatrixRecord &record,
                               Console &console) {
  BlockBuffer buffer;
  std::size_t length = 0;
  const BlockRead read = locate_block(file, selection) ? read_block(file, buffer, length)
                                                       : BlockRead::no_closing;
  text_file_close(file);
  if (read != BlockRead::ok) {
    console_write_line(console, block_read_message(read));
    return 0;
  }
  const BlockParse parse = parse_matrix_block(std::string_view(buffer.data(), length), record);
  if (parse != BlockParse::ok) {
    console_write_line(console, block_parse_message(parse));
    return 0;
  }
  return record[0];
}

// A byte order mark of either order. Its text would list as NUL bytes between
// the characters, and no block of it could be read.
static bool starts_as_utf16(TextFile &file) {
  return text_file_starts_with(file, "\xFF\xFE") || text_file_starts_with(file, "\xFE\xFF");
}

std::int32_t read_matrix_from_data_file(MatrixRecord &record, Console &console) {
  TextFile file;
  if (!text_file_open(file, DATA_FILE_NAME)) {
    console_printf(console, "Cannot find file %s\n", DATA_FILE_NAME);
    return 0;
  }
  if (starts_as_utf16(file)) {
    text_file_close(file);
    console_printf(console, "Cannot read %s: it is UTF-16 text; save it as UTF-8 or ANSI text\n", DATA_FILE_NAME);
    return 0;
  }
  const std::int32_t selection = select_block(console, list_blocks(file, console));
  if (selection == 0) {
    text_file_close(file);
    return 0;
  }
  return load_block(file, selection, record, console);
}
