// The expansion as it was before blocks of three fast columns, timed beside
// the shipped one so their ratio can be read off one benchmark run.
#pragma once

#include <cstdint>

#include "matrix/determinant_methods.h"

// Orders 2 to MAX_EXPANSION_ORDER.
std::uint32_t previous_permutation_expansion(const SquareMatrix &matrix, int n);
