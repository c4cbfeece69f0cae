// Fuzzes the data file choice (listing, pick, block reader) and the block
// parser, checking each against a second, deliberately plain reading of the
// format. Input: the first byte is the number typed at the selection prompt,
// the rest is the data file.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "fuzz/fuzz_support.h"
#include "input/data_file.h"
#include "input/matrix_block.h"
#include "matrix/matrix_record.h"

namespace {

// Slots the code under test must leave alone keep this value.
constexpr std::int32_t CANARY = 0x5A5A5A5A;
// Characters of a block from '[' to ']' that the block buffer can hold.
constexpr std::size_t BLOCK_LIMIT = RECORD_CAPACITY - 1;
constexpr std::string_view SELECTION_PROMPT = "Input number before the selected data-input (zero to abort):\n";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A digit run in 64 bits, held at a ceiling far above the 32-bit range so a
// run of any length stays comparable without overflow.
std::int64_t read_run(std::string_view text, std::size_t &at) {
  std::int64_t value = 0;
  for (; at < text.size() && is_digit(text[at]); ++at)
    value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), INT64_C(1) << 40);
  return value;
}

void skip_non_digits(std::string_view text, std::size_t &at) {
  while (at < text.size() && !is_digit(text[at])) ++at;
}

int byte_before(std::string_view text, std::size_t at, std::size_t back) {
  return at >= back ? static_cast<unsigned char>(text[at - back]) : -1;
}

bool in_range(int byte, int low, int high) { return byte >= low && byte <= high; }

// Right before `at`: a UTF-8 dash that looks like '-', or a Windows-1252 en or
// em dash byte that is not the last byte of a well-formed UTF-8 character.
bool dash_before(std::string_view text, std::size_t at) {
  for (const std::string_view dash :
       {"\u2212", "\u2010", "\u2011", "\u2012", "\u2013", "\u2014", "\uFE63", "\uFF0D"})
    if (text.substr(0, at).ends_with(dash)) return true;
  const int last = byte_before(text, at, 1);
  if (last != 0x96 && last != 0x97) return false;
  const int b2 = byte_before(text, at, 2), b3 = byte_before(text, at, 3), b4 = byte_before(text, at, 4);
  const bool ends_two = in_range(b2, 0xC2, 0xDF);
  const bool ends_three = in_range(b2, 0x80, 0xBF) && in_range(b3, 0xE0, 0xEF);
  const bool ends_four = in_range(b2, 0x80, 0xBF) && in_range(b3, 0x80, 0xBF) && in_range(b4, 0xF0, 0xF4);
  return !(ends_two || ends_three || ends_four);
}

// The block format read the plain way. `last_written` is the highest slot the
// parser may have touched; everything above it must still hold the canary.
BlockParse expected_parse(std::string_view text, MatrixRecord &expected, std::int64_t &last_written) {
  last_written = 0;
  std::size_t at = 1;
  skip_non_digits(text, at);
  if (at < text.size() && dash_before(text, at)) return BlockParse::dash_before_number;
  const std::int64_t code = read_run(text, at);
  if (code > INT32_MAX) return BlockParse::number_out_of_range;
  expected[0] = static_cast<std::int32_t>(code);
  const std::int64_t count = (code / 100) * (code % 100);
  if (count > MAX_ELEMENTS) return BlockParse::too_many_elements;
  for (std::int64_t slot = 1; slot <= count; ++slot) {
    last_written = slot;
    skip_non_digits(text, at);
    if (at >= text.size()) return BlockParse::too_few_numbers;
    if (dash_before(text, at)) return BlockParse::dash_before_number;
    const bool negative = text[at - 1] == '-';
    const std::int64_t value = negative ? -read_run(text, at) : read_run(text, at);
    if (value < INT32_MIN || value > INT32_MAX) return BlockParse::number_out_of_range;
    expected[static_cast<std::size_t>(slot)] = static_cast<std::int32_t>(value);
  }
  last_written = count + 1;
  expected[static_cast<std::size_t>(count + 1)] = END_MARKER;
  return BlockParse::ok;
}

void check_canary_above(const MatrixRecord &record, std::int64_t last_written) {
  for (std::int64_t slot = last_written + 1; slot < RECORD_CAPACITY; ++slot)
    if (record[static_cast<std::size_t>(slot)] != CANARY) fuzz_fail("a slot beyond the stored matrix was written");
}

// On success the record must hold exactly the expected code, elements and
// end marker, and nothing beyond them.
void check_record(const MatrixRecord &record, const MatrixRecord &expected, BlockParse result,
                  std::int64_t last_written) {
  check_canary_above(record, last_written);
  if (result != BlockParse::ok) return;
  for (std::int64_t slot = 0; slot <= last_written; ++slot)
    if (record[static_cast<std::size_t>(slot)] != expected[static_cast<std::size_t>(slot)])
      fuzz_fail("the record differs from the block's numbers");
  const std::int64_t count = record_element_count(record);
  if (count > MAX_ELEMENTS || record[static_cast<std::size_t>(count + 1)] != END_MARKER)
    fuzz_fail("no end marker right after the elements");
}

const char *parse_message(BlockParse result) {
  switch (result) {
    case BlockParse::too_few_numbers:
      return "Input-array in file holds fewer numbers than its size needs\n";
    case BlockParse::too_many_elements:
      return "Input-array in file larger than 999 elements\n";
    case BlockParse::number_out_of_range:
      return "Number in input-array in file out of range\n";
    case BlockParse::dash_before_number:
      return "Input-array in file has a dash that is not the minus sign '-' before a number\n";
    case BlockParse::ok:
      break;
  }
  return "";
}

void check_block_parse(std::string_view text) {
  MatrixRecord record;
  MatrixRecord expected;
  record.fill(CANARY);
  expected.fill(CANARY);
  std::int64_t last_written = 0;
  const BlockParse want = expected_parse(text, expected, last_written);
  const BlockParse got = parse_matrix_block(text, record);
  if (got != want) fuzz_fail("the parser's verdict differs from the format");
  check_record(record, expected, want, last_written);
}

// The listing shows control characters, but tab and line breaks, in caret
// notation: "^@" for NUL up to "^_", and "^?" for DEL. A CR is a line break
// only right before an LF, whether or not the LF is part of the block.
void append_listed(std::string &transcript, std::string_view file, std::size_t at) {
  const char c = file[at];
  const auto byte = static_cast<unsigned char>(c);
  const bool line_break = c == '\n' || (c == '\r' && at + 1 < file.size() && file[at + 1] == '\n');
  if ((byte < 0x20 && c != '\t' && !line_break) || byte == 0x7F) {
    transcript += '^';
    transcript += byte == 0x7F ? '?' : static_cast<char>('@' + byte);
  } else {
    transcript += c;
  }
}

// The whole dialogue of the data file choice as the format and the messages
// define it; returns the size code the routine must return.
std::int32_t expected_choice(std::string_view file, int selection, MatrixRecord &expected,
                             BlockParse &parse, std::int64_t &last_written, std::string &transcript) {
  parse = BlockParse::too_few_numbers;  // anything but ok: the record stays untouched
  last_written = -1;
  if (file.size() >= 2 && ((file[0] == '\xFF' && file[1] == '\xFE') || (file[0] == '\xFE' && file[1] == '\xFF'))) {
    transcript += "Cannot read MatrixDataFile1.txt: it is UTF-16 text; save it as UTF-8 or ANSI text\n";
    return 0;
  }
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < file.size();) {
    if (file[at] != '[') {
      ++at;
      continue;
    }
    starts.push_back(at);
    transcript += std::to_string(starts.size()) + "  [";
    for (++at; at < file.size() && file[at] != ']'; ++at) append_listed(transcript, file, at);
    if (at < file.size()) ++at;
    transcript += "]\n\n";
  }
  transcript += SELECTION_PROMPT;
  if (selection == 0) return 0;
  if (static_cast<std::size_t>(selection) > starts.size()) {
    // The next prompt then meets the end of the input, which aborts.
    transcript += "Number must be between 1 and " + std::to_string(starts.size()) + "\n";
    transcript += SELECTION_PROMPT;
    return 0;
  }
  const std::size_t open = starts[static_cast<std::size_t>(selection - 1)];
  if (open + 1 >= file.size() || (file[open + 1] != 'M' && file[open + 1] != 'm')) {
    transcript += "Input-array in file not marked 'M' (after '[') for Matrix data\n";
    return 0;
  }
  const std::size_t close = file.find(']', open + 2);
  if (close == std::string_view::npos || close - open + 1 > BLOCK_LIMIT) {
    // The reader meets whichever comes first: the end of the file or a full buffer.
    transcript += file.size() - open <= BLOCK_LIMIT ? "Input-array in file has no closing ']'\n"
                                                    : "Input-array in file longer than 1000 characters\n";
    return 0;
  }
  std::string block = "[M";
  block += file.substr(open + 2, close - open - 1);
  parse = expected_parse(block, expected, last_written);
  transcript += parse_message(parse);
  return parse == BlockParse::ok ? expected[0] : 0;
}

void check_data_file_choice(std::string_view file, int selection) {
  MatrixRecord record;
  MatrixRecord expected;
  record.fill(CANARY);
  expected.fill(CANARY);
  std::istringstream in(std::to_string(selection) + "\n");
  std::ostringstream out;
  Console console{in, out};
  const std::int32_t got = read_matrix_from_data_file(record, console);

  BlockParse parse = BlockParse::ok;
  std::int64_t last_written = 0;
  std::string transcript;
  const std::int32_t want = expected_choice(file, selection, expected, parse, last_written, transcript);
  if (got != want) fuzz_fail("the data file choice returned another size code");
  if (out.str() != transcript) fuzz_fail("the data file dialogue differs");
  check_record(record, expected, parse, last_written);
  fuzz_check_data_file_unchanged(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  fuzz_absolute_artifact_paths(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view file(reinterpret_cast<const char *>(data) + 1, size - 1);
  fuzz_enter_private_directory();
  fuzz_put_data_file(file);
  check_data_file_choice(file, data[0]);
  fuzz_leave_private_directory();
  check_block_parse(file);
  return 0;
}
