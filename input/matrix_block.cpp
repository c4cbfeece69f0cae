// The block parser: digit runs separated by anything else.
#include "input/matrix_block.h"

#include <cstdint>

#include "console/digit_run.h"

static std::size_t skip_to_digit(std::string_view text, std::size_t at) {
  while (at < text.size() && !is_decimal_digit(text[at])) ++at;
  return at;
}

// The digit run at `at`, negated when `negative`; moves `at` past it. False
// when the value does not fit.
static bool read_run(std::string_view text, std::size_t &at, bool negative, std::int32_t &value) {
  DigitRun run;
  for (; at < text.size() && is_decimal_digit(text[at]); ++at) digit_run_add(run, text[at] - '0');
  return digit_run_value(run, negative, value);
}

static bool read_element(std::string_view text, std::size_t &at, std::int32_t &value) {
  const bool negative = at > 0 && text[at - 1] == '-';
  return read_run(text, at, negative, value);
}

BlockParse parse_matrix_block(std::string_view block, MatrixRecord &record) {
  // The size code carries no sign. A block without any digits has the size
  // code 0, which shows nothing.
  std::size_t at = skip_to_digit(block, 1);
  std::int32_t size_code = 0;
  if (!read_run(block, at, false, size_code)) return BlockParse::number_out_of_range;
  record[0] = size_code;
  const std::int64_t rows = size_code / 100;
  const std::int64_t count = rows * (size_code % 100);
  if (count > MAX_ELEMENTS) return BlockParse::too_many_elements;
  for (std::int64_t slot = 1; slot <= count; ++slot) {
    at = skip_to_digit(block, at);
    if (at == block.size()) return BlockParse::too_few_numbers;
    if (!read_element(block, at, record[slot])) return BlockParse::number_out_of_range;
  }
  record[count + 1] = END_MARKER;
  return BlockParse::ok;
}
