// The two ways this program evaluates a determinant in the ring of integers
// modulo 2^32, exposed so each can be called on its own.
#pragma once

#include <array>
#include <climits>
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

// How matrix_determinant evaluates a square of each order: below 2 it only
// names the order as out of range.
enum class DeterminantMethod { out_of_range, permutation_expansion, division_free };
DeterminantMethod determinant_method(int n);

// Row-major, 0-based; only the leading n x n corner is used.
using SquareMatrix =
    std::array<std::array<std::uint32_t, MAX_DETERMINANT_ORDER>, MAX_DETERMINANT_ORDER>;

// The signed sum over all column permutations, each product formed in full:
// columns 0, 1 and 2 in every three rows for each order of the others. Orders
// 2 to MAX_EXPANSION_ORDER; any other stops the program with a message. From
// order 7 on the vector form where it runs.
std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n);
// The same sum one block at a time, on any processor.
std::uint32_t scalar_permutation_expansion(const SquareMatrix &matrix, int n);
// The same sum several blocks at a time: eight with AVX2 on x86-64, four
// with NEON on 64-bit ARM and with SIMD128 in WebAssembly. Call it only where
// vector_expansion_available(), which is false on x86-64 processors without
// AVX2 and in builds without a vector form.
std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n);
bool vector_expansion_available();

// Each of the three with only the first batches of blocks added, a sum that
// means nothing: a web page runs the first batches of each order so that the
// browser's engine, which optimises a function between its calls, has
// optimised each order's before a visitor's first matrix.
std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n, int batches);
std::uint32_t scalar_permutation_expansion(const SquareMatrix &matrix, int n, int batches);
std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n, int batches);
inline constexpr int EVERY_BATCH = INT_MAX;

inline std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n) {
  return permutation_expansion(matrix, n, EVERY_BATCH);
}
inline std::uint32_t scalar_permutation_expansion(const SquareMatrix &matrix, int n) {
  return scalar_permutation_expansion(matrix, n, EVERY_BATCH);
}
inline std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n) {
  return vector_permutation_expansion(matrix, n, EVERY_BATCH);
}

// The two products of a 2 x 2, which has no room for three fast columns.
std::uint32_t two_by_two_expansion(const SquareMatrix &matrix);

// Bird's division-free method. Orders 1 to MAX_DETERMINANT_ORDER.
std::uint32_t division_free_determinant(const SquareMatrix &matrix, int n);
