// Matrices for the determinant's tests: records as the parser leaves them,
// random matrices over chosen ranges of entries, and an independent cofactor
// expansion, all in the ring of integers modulo 2^32.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "matrix/determinant.h"
#include "matrix/determinant_methods.h"

// Slots the routine must never read hold this, so a stray read shows up.
inline constexpr std::int32_t JUNK = 0x5A5A5A5A;

inline MatrixRecord record_of(std::int32_t size_code, const std::vector<std::int32_t> &elements) {
  MatrixRecord record;
  record.fill(JUNK);
  record[0] = size_code;
  std::copy(elements.begin(), elements.end(), record.begin() + 1);
  record[elements.size() + 1] = END_MARKER;
  return record;
}

inline MatrixRecord record_of(const SquareMatrix &matrix, int n) {
  std::vector<std::int32_t> elements;
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) elements.push_back(static_cast<std::int32_t>(matrix[row][column]));
  }
  return record_of(n * 100 + n, elements);
}

struct Evaluation {
  std::int32_t value;
  std::string printed;
};

inline Evaluation evaluate(const MatrixRecord &record) {
  std::ostringstream out;
  const std::int32_t value = matrix_determinant(record, out);
  return {value, out.str()};
}

inline std::int32_t as_signed(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// An order and how many random matrices of it to check per range of entries.
struct AgreementCase {
  int n;
  int trials_per_range;
};

// Laplace expansion along the first row still in play, over the free columns.
inline std::uint32_t cofactor_determinant(const SquareMatrix &matrix, int n, int row = 0, std::uint32_t used = 0) {
  if (row == n) return 1;
  std::uint32_t sum = 0;
  int free_index = 0;
  for (int column = 0; column < n; ++column) {
    if ((used & (1u << column)) != 0) continue;
    const std::uint32_t term = matrix[row][column] * cofactor_determinant(matrix, n, row + 1, used | (1u << column));
    sum += free_index % 2 == 0 ? term : 0u - term;
    ++free_index;
  }
  return sum;
}

struct EntryRange {
  std::int64_t low;
  std::int64_t high;
  bool limits_often = false;  // INT32_MIN, INT32_MAX, -1, 0 or 1 in five of eight entries
};

inline constexpr EntryRange SMALL{-3, 3};
inline constexpr EntryRange MEDIUM{-1000, 1000};
inline constexpr EntryRange FULL{INT32_MIN, INT32_MAX};
inline constexpr EntryRange AT_THE_LIMITS{INT32_MIN, INT32_MAX, true};

inline std::uint32_t random_entry(std::mt19937 &generator, EntryRange range) {
  if (range.limits_often) {
    constexpr std::array<std::int32_t, 5> LIMITS = {INT32_MIN, INT32_MAX, -1, 0, 1};
    const std::uint32_t pick = generator() % 8;
    return pick < LIMITS.size() ? static_cast<std::uint32_t>(LIMITS[pick]) : generator();
  }
  std::uniform_int_distribution<std::int64_t> pick(range.low, range.high);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(pick(generator)));
}

inline SquareMatrix random_matrix(std::mt19937 &generator, int n, EntryRange range) {
  SquareMatrix matrix{};
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) matrix[row][column] = random_entry(generator, range);
  }
  return matrix;
}
