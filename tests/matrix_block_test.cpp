// The block parser: size codes, signs, separators and every refusal.
#include "input/matrix_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct BlockCase {
  const char *text;
  BlockParse result;
  std::vector<std::int32_t> slots;  // slot 0 onwards, when the parse succeeds
};

class MatrixBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(MatrixBlock, ParsesIntoTheRecord) {
  const BlockCase &c = GetParam();
  MatrixRecord record;
  record.fill(-1);
  ASSERT_EQ(parse_matrix_block(c.text, record), c.result) << c.text;
  if (c.result != BlockParse::ok) return;
  for (std::size_t slot = 0; slot < c.slots.size(); ++slot) EXPECT_EQ(record[slot], c.slots[slot]) << slot;
  EXPECT_EQ(record[c.slots.size()], END_MARKER);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, MatrixBlock,
    testing::Values(BlockCase{"[M202 1 2 3 4]", BlockParse::ok, {202, 1, 2, 3, 4}},
                    BlockCase{"[M 0202\n1,\n2,\n3,\n4]", BlockParse::ok, {202, 1, 2, 3, 4}},
                    BlockCase{"[M103 -5 +5 - 5]", BlockParse::ok, {103, -5, 5, 5}},
                    BlockCase{"[M102 1.5]", BlockParse::ok, {102, 1, 5}},
                    BlockCase{"[M-101 x-7]", BlockParse::ok, {101, -7}},
                    BlockCase{"[M101 7 8 9 trailing text]", BlockParse::ok, {101, 7}},
                    BlockCase{"[M102 -2147483648 2147483647]", BlockParse::ok, {102, INT32_MIN, INT32_MAX}},
                    BlockCase{"[M102 --3 -0]", BlockParse::ok, {102, -3, 0}},
                    BlockCase{"[M5]", BlockParse::ok, {5}},
                    BlockCase{"[M300]", BlockParse::ok, {300}},
                    BlockCase{"[M0 1 2]", BlockParse::ok, {0}},
                    BlockCase{"[M]", BlockParse::ok, {0}},
                    // Dashes away from the digits, or after the last number,
                    // stay separators; so do bytes 0x96 that end a UTF-8
                    // character (U+00D6, U+2016).
                    BlockCase{"[M102 \xE2\x80\x93 1 2]", BlockParse::ok, {102, 1, 2}},
                    BlockCase{"[M101 7 \xE2\x80\x93" "8]", BlockParse::ok, {101, 7}},
                    BlockCase{"[M102 \xC3\x96" "1 \xE2\x80\x96" "2]", BlockParse::ok, {102, 1, 2}},
                    BlockCase{"[M101 \xF0\x9F\x98\x97" "3]", BlockParse::ok, {101, 3}}));

// Each dash that looks like a minus sign, right before a number: U+2212,
// U+2010, U+2011, U+2012, U+2013, U+2014, U+FE63, U+FF0D in UTF-8, and the
// Windows-1252 en and em dash bytes, also after a lead byte whose character
// they cannot end.
INSTANTIATE_TEST_SUITE_P(
    Dashes, MatrixBlock,
    testing::Values(BlockCase{"[M102 3 \xE2\x88\x92" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE2\x80\x90" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE2\x80\x91" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE2\x80\x92" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE2\x80\x93" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE2\x80\x94" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xEF\xB9\xA3" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xEF\xBC\x8D" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \x96" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \x97" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \xE9\x96" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 3 \x80\x80\x80\x97" "1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M\x96" "102 3 1]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M\xE2\x80\x93" "0]", BlockParse::dash_before_number, {}},
                    // The first problem from the start is named.
                    BlockCase{"[M102 \x97" "3 99999999999]", BlockParse::dash_before_number, {}},
                    BlockCase{"[M102 99999999999 \x97" "3]", BlockParse::number_out_of_range, {}}));

INSTANTIATE_TEST_SUITE_P(
    Refused, MatrixBlock,
    testing::Values(BlockCase{"[M202 1 2 3]", BlockParse::too_few_numbers, {}},
                    BlockCase{"[M101]", BlockParse::too_few_numbers, {}},
                    BlockCase{"[M 3232]", BlockParse::too_many_elements, {}},
                    BlockCase{"[M 2147483647]", BlockParse::too_many_elements, {}},
                    BlockCase{"[M 2147483648]", BlockParse::number_out_of_range, {}},
                    BlockCase{"[M101 2147483648]", BlockParse::number_out_of_range, {}},
                    BlockCase{"[M101 -2147483649]", BlockParse::number_out_of_range, {}},
                    BlockCase{"[M101 00000000000000000000000000000000000000000001]", BlockParse::ok, {101, 1}}));

TEST(MatrixBlockLimits, FillsAllNineHundredNinetyNineSlots) {
  std::string text = "[M 3333";  // 33 x 33 would need 1089
  MatrixRecord record{};
  EXPECT_EQ(parse_matrix_block(text, record), BlockParse::too_many_elements);
  text = "[M 2737";  // 27 x 37 = 999, the most the record holds
  for (int i = 1; i <= 999; ++i) {
    text += ' ';
    text += std::to_string(i);
  }
  text += "]";
  ASSERT_EQ(parse_matrix_block(text, record), BlockParse::ok);
  EXPECT_EQ(record[999], 999);
  EXPECT_EQ(record[1000], END_MARKER);
}

TEST(MatrixBlockLimits, StopsAtTheEndOfTheTextNotAtANul) {
  const std::string text("[M102 1\0 2]", 11);
  MatrixRecord record{};
  ASSERT_EQ(parse_matrix_block(text, record), BlockParse::ok);
  EXPECT_EQ(record[2], 2);
  EXPECT_EQ(parse_matrix_block(std::string_view(text).substr(0, 7), record), BlockParse::too_few_numbers);
}

}  // namespace
