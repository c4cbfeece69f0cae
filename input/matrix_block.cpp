// The block parser: digit runs separated by anything else.
#include "input/matrix_block.h"

#include <array>
#include <cstdint>

#include "console/digit_run.h"

static std::size_t skip_to_digit(std::string_view text, std::size_t at) {
  while (at < text.size() && !is_decimal_digit(text[at])) ++at;
  return at;
}

// Dashes a word processor or a web page puts where a minus sign was meant,
// in UTF-8: the minus sign, hyphen, non-breaking hyphen, figure, en and em
// dash, small and fullwidth hyphen-minus.
static constexpr std::array<std::string_view, 8> UTF8_DASHES = {
    "\xE2\x88\x92", "\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x92",
    "\xE2\x80\x93", "\xE2\x80\x94", "\xEF\xB9\xA3", "\xEF\xBC\x8D"};

static bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The lead byte's sequence length in UTF-8, or 0 for a byte that leads none.
static std::size_t utf8_length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether the continuation byte before `end` closes a UTF-8 character, whose
// lead stands one to three bytes before it.
static bool closes_utf8_character(std::string_view text, std::size_t end) {
  for (std::size_t back = 2; back <= 4 && back <= end; ++back) {
    const auto byte = static_cast<unsigned char>(text[end - back]);
    if (!is_continuation(byte)) return utf8_length(byte) == back;
  }
  return false;
}

// An en or em dash of Windows-1252 is a lone byte 0x96 or 0x97.
static bool dash_before(std::string_view text, std::size_t at) {
  for (const std::string_view dash : UTF8_DASHES)
    if (at >= dash.size() && text.substr(at - dash.size(), dash.size()) == dash) return true;
  if (at == 0) return false;
  const auto byte = static_cast<unsigned char>(text[at - 1]);
  return (byte == 0x96 || byte == 0x97) && !closes_utf8_character(text, at);
}

// The digit run at `at`, negated when `negative`; moves `at` past it.
static BlockParse read_run(std::string_view text, std::size_t &at, bool negative, std::int32_t &value) {
  if (dash_before(text, at)) return BlockParse::dash_before_number;
  DigitRun run;
  for (; at < text.size() && is_decimal_digit(text[at]); ++at) digit_run_add(run, text[at] - '0');
  return digit_run_value(run, negative, value) ? BlockParse::ok : BlockParse::number_out_of_range;
}

static BlockParse read_element(std::string_view text, std::size_t &at, std::int32_t &value) {
  const bool negative = at > 0 && text[at - 1] == '-';
  return read_run(text, at, negative, value);
}

BlockParse parse_matrix_block(std::string_view block, MatrixRecord &record) {
  // The size code carries no sign. A block without any digits has the size
  // code 0, which shows nothing.
  std::size_t at = skip_to_digit(block, 1);
  std::int32_t size_code = 0;
  if (at < block.size()) {
    const BlockParse code = read_run(block, at, false, size_code);
    if (code != BlockParse::ok) return code;
  }
  record[0] = size_code;
  const std::int64_t rows = size_code / 100;
  const std::int64_t count = rows * (size_code % 100);
  if (count > MAX_ELEMENTS) return BlockParse::too_many_elements;
  for (std::int64_t slot = 1; slot <= count; ++slot) {
    at = skip_to_digit(block, at);
    if (at == block.size()) return BlockParse::too_few_numbers;
    const BlockParse element = read_element(block, at, record[slot]);
    if (element != BlockParse::ok) return element;
  }
  record[count + 1] = END_MARKER;
  return BlockParse::ok;
}
