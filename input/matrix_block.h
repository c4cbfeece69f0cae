// Turns the text of one matrix block, from '[' to ']', into a record.
#pragma once

#include <string_view>

#include "matrix/matrix_record.h"

enum class BlockParse {
  ok,
  too_few_numbers,
  too_many_elements,
  number_out_of_range,
  dash_before_number,  // a dash other than '-' right before a number
};

// The size code is the first digit run after the marker; the elements are the
// digit runs after it, negative when a '-' stands right before the digits.
// Text after the last element is ignored. A dash that only looks like the
// minus sign refuses the block, rather than let the number lose its sign.
BlockParse parse_matrix_block(std::string_view block, MatrixRecord &record);
