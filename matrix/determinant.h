// The determinant of the square matrix held in a record, in wrapping signed
// 32-bit arithmetic.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "matrix/matrix_record.h"

// Reads the order from the size code. Orders below 2 get a range message on
// `out` and the result 0.
std::int32_t matrix_determinant(const MatrixRecord &record, std::ostream &out);
// That range message for order `n`, without its line break.
std::array<char, 64> range_message(int n);
