// Blocks evaluated for a script: one pass over the file, so standard input
// and pipes serve as well as files, and every refusal in the words the
// dialogue uses.
#include "app/block_options.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "input/data_block.h"
#include "input/data_file.h"
#include "matrix/determinant.h"

// The file as the user named it, in the refusals.
static const char *shown_name(const char *file) {
  if (file == nullptr) return DATA_FILE_NAME;
  return std::string_view(file) == "-" ? "standard input" : file;
}

// nullptr when the file is open, else why it cannot be read.
static const char *open_source(TextFile &file, const char *given) {
  if (given != nullptr && std::string_view(given) == "-") {
    text_file_open_standard_input(file);
  } else {
    const char *reason = text_file_open(file, given != nullptr ? given : DATA_FILE_NAME);
    if (reason != nullptr) return reason;
  }
  return starts_as_utf16(file) ? UTF16_REASON : nullptr;
}

// Reads the block whose '[' was just read and evaluates it. nullptr with the
// determinant in `value`, or the reason it is refused; a 1x1, which the
// dialogue shows with the value 0, is refused with the range message.
static const char *evaluate_block(TextFile &file, Console &console, std::int32_t &value,
                                  std::array<char, 64> &range) {
  MatrixRecord record;
  const char *refusal = load_matrix_block(file, record);
  if (refusal != nullptr) return refusal;
  if (record[0] == 0) return "size code 0";
  const std::int32_t order = record_rows(record);
  if (order != record_columns(record)) return "No determinant value for a matrix not square";
  if (order < 2) {
    range = range_message(order);
    return range.data();
  }
  value = matrix_determinant(record, console.out);
  return nullptr;
}

// Evaluates block `number` and writes its line; false when it is refused.
static bool write_block(TextFile &file, const CommandLine &command, std::int32_t number, Console &console) {
  std::int32_t value = 0;
  std::array<char, 64> range{};
  const char *reason = evaluate_block(file, console, value, range);
  if (reason != nullptr) {
    std::array<char, 32> block{};
    std::snprintf(block.data(), block.size(), "block %d", number);
    console_report(console, {shown_name(command.file), block.data(), reason});
    return false;
  }
  if (command.request == Request::all) console_printf(console, "%d\t", number);
  console_printf(console, "%d\n", value);
  return true;
}

// Like the listing, counts a '[' inside a block as block text.
static int evaluate_file(TextFile &file, const CommandLine &command, Console &console) {
  int status = 0;
  std::int32_t count = 0;
  for (int c = text_file_get(file); c != END_OF_FILE && count < INT32_MAX; c = text_file_get(file)) {
    if (c != '[') continue;
    ++count;
    if (command.request == Request::block && count != command.block) {
      skip_block(file);
      continue;
    }
    if (!write_block(file, command, count, console)) status = 1;
    if (command.request == Request::block) return status;
  }
  // A read that failed is reported instead, as the reason the block is missing.
  if (command.request == Request::block && text_file_read_error(file) == nullptr) {
    std::array<char, 64> missing{};
    std::snprintf(missing.data(), missing.size(), "no block %d (it has %d)", command.block, count);
    console_report(console, {shown_name(command.file), missing.data()});
    return 1;
  }
  return command.request == Request::block ? 1 : status;
}

int evaluate_blocks(const CommandLine &command, Console &console) {
  TextFile file;
  const char *reason = open_source(file, command.file);
  int status = 1;
  if (reason == nullptr) {
    status = evaluate_file(file, command, console);
    reason = text_file_read_error(file);
  }
  text_file_close(file);
  if (reason == nullptr) return status;
  console_report(console, {shown_name(command.file), reason});
  return 1;
}
