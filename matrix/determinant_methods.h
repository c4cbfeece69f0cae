// The two ways this program evaluates a determinant in the ring of integers
// modulo 2^32, exposed so each can be called on its own.
#pragma once

#include <array>
#include <cstdint>

// 31 x 31 is the largest square whose elements fit in a record.
inline constexpr int MAX_DETERMINANT_ORDER = 31;
// Above this order n! no longer fits in 32 bits, and the expansion would
// take hours.
inline constexpr int MAX_EXPANSION_ORDER = 12;
// The largest order that matrix_determinant expands; above it the
// division-free method gives the same value. The fuzz build lowers it so that
// whole runs stay quick under the sanitizers.
#ifndef DETERMINANT_EXPANSION_LIMIT
#define DETERMINANT_EXPANSION_LIMIT MAX_EXPANSION_ORDER
#endif
inline constexpr int EXPANSION_LIMIT = DETERMINANT_EXPANSION_LIMIT;
static_assert(EXPANSION_LIMIT >= 2 && EXPANSION_LIMIT <= MAX_EXPANSION_ORDER);

// Row-major, 0-based; only the leading n x n corner is used.
using SquareMatrix =
    std::array<std::array<std::uint32_t, MAX_DETERMINANT_ORDER>, MAX_DETERMINANT_ORDER>;

// The signed sum over all column permutations, each product formed in full:
// columns 0 and 1 in every two rows for each plain-changes order of the others.
// Orders 2 to MAX_EXPANSION_ORDER.
std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n);

// Bird's division-free method. Orders 1 to MAX_DETERMINANT_ORDER.
std::uint32_t division_free_determinant(const SquareMatrix &matrix, int n);
