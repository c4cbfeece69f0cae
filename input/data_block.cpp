// Reading one block of the data file, shared by the dialogue and the
// command-line options so both refuse a block with the same words.
#include "input/data_block.h"

#include <array>
#include <cstddef>
#include <string_view>

using BlockBuffer = std::array<char, RECORD_CAPACITY>;

enum class BlockRead { ok, not_marked, no_closing, too_long };

// Its text would list as NUL bytes between the characters, and no block of it
// could be read.
bool starts_as_utf16(TextFile &file) {
  return text_file_starts_with(file, "\xFF\xFE") || text_file_starts_with(file, "\xFE\xFF");
}

void skip_block(TextFile &file) {
  for (int c = text_file_get(file); c != ']' && c != END_OF_FILE; c = text_file_get(file)) {
  }
}

// Copies the block into the buffer, up to its ']', leaving room for the
// terminator, and sets `length` to the characters copied; the marker is
// stored as 'M'.
static BlockRead read_block(TextFile &file, BlockBuffer &buffer, std::size_t &length) {
  buffer[0] = '[';
  const int marker = text_file_get(file);
  if (marker != 'M' && marker != 'm') {
    if (marker != ']' && marker != END_OF_FILE) skip_block(file);
    return BlockRead::not_marked;
  }
  buffer[1] = 'M';
  length = 2;
  for (;;) {
    const int c = text_file_get(file);
    if (c == END_OF_FILE) return BlockRead::no_closing;
    if (length == buffer.size() - 1) {
      if (c != ']') skip_block(file);
      return BlockRead::too_long;
    }
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
      return NO_CLOSING_REASON;
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
    case BlockParse::dash_before_number:
      return "Input-array in file has a dash that is not the minus sign '-' before a number";
    case BlockParse::ok:
      break;
  }
  return "";
}

const char *load_matrix_block(TextFile &file, MatrixRecord &record) {
  BlockBuffer buffer;
  std::size_t length = 0;
  const BlockRead read = read_block(file, buffer, length);
  if (read != BlockRead::ok) return block_read_message(read);
  const BlockParse parse = parse_matrix_block(std::string_view(buffer.data(), length), record);
  return parse == BlockParse::ok ? nullptr : block_parse_message(parse);
}
