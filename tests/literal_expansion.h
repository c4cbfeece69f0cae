// A literal reading of the permutation expansion: the benchmark's baseline and
// the tests' reference for the shipped expansion.
#pragma once

#include <cstdint>

#include "matrix/determinant_methods.h"

// Search, swap and a full product of n factors for every permutation.
// Orders 2 to MAX_EXPANSION_ORDER.
std::uint32_t literal_expansion(const SquareMatrix &matrix, int n);
