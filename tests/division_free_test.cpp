// The division-free method at orders 13 to 31, through the public routine:
// matrices built with a known determinant modulo 2^32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "matrix/determinant.h"
#include "matrix/determinant_methods.h"
#include "tests/matrix_samples.h"

namespace {

// The matrix and its determinant modulo 2^32, built together.
struct Built {
  SquareMatrix matrix{};
  std::uint32_t determinant = 1;
};

// Random entries above the diagonal: the determinant is the diagonal product.
Built upper_triangular(std::mt19937 &generator, int n, EntryRange range) {
  Built built;
  for (int row = 0; row < n; ++row) {
    for (int column = row; column < n; ++column) built.matrix[row][column] = random_entry(generator, range);
    built.determinant *= built.matrix[row][row];
  }
  return built;
}

Built lower_triangular(std::mt19937 &generator, int n, EntryRange range) {
  const Built upper = upper_triangular(generator, n, range);
  Built built;
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) built.matrix[row][column] = upper.matrix[column][row];
  }
  built.determinant = upper.determinant;
  return built;
}

// Row i holds a weight in column p(i): the sign of p times the weights.
Built weighted_permutation(std::mt19937 &generator, int n, EntryRange range) {
  std::vector<int> columns(static_cast<std::size_t>(n));
  std::iota(columns.begin(), columns.end(), 0);
  std::shuffle(columns.begin(), columns.end(), generator);
  Built built;
  for (int row = 0; row < n; ++row) {
    const std::uint32_t weight = random_entry(generator, range);
    built.matrix[row][columns[static_cast<std::size_t>(row)]] = weight;
    built.determinant *= weight;
  }
  int inversions = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) inversions += columns[static_cast<std::size_t>(i)] > columns[static_cast<std::size_t>(j)];
  }
  if (inversions % 2 == 1) built.determinant = 0u - built.determinant;
  return built;
}

// Dense blocks of orders 1 to 4 down the diagonal and random entries to
// their right: the determinant is the product of the blocks' determinants.
Built block_triangular(std::mt19937 &generator, int n, EntryRange range) {
  Built built;
  for (int start = 0; start < n;) {
    const int size = std::min(n - start, 1 + static_cast<int>(generator() % 4));
    SquareMatrix block{};
    for (int row = 0; row < size; ++row) {
      for (int column = 0; column < size; ++column) block[row][column] = random_entry(generator, range);
    }
    for (int row = start; row < start + size; ++row) {
      for (int column = start; column < n; ++column) {
        built.matrix[row][column] = column < start + size ? block[row - start][column - start] : random_entry(generator, range);
      }
    }
    built.determinant *= cofactor_determinant(block, size);
    start += size;
  }
  return built;
}

// Adding multiples of one row to another keeps the determinant, in any
// commutative ring, and fills the zeros a structured matrix leaves.
void mix_rows(std::mt19937 &generator, int n, Built &built) {
  for (int round = 0; round < 2 * n; ++round) {
    const auto target = generator() % static_cast<std::uint32_t>(n);
    const auto source = (target + 1 + generator() % static_cast<std::uint32_t>(n - 1)) % static_cast<std::uint32_t>(n);
    const std::uint32_t factor = random_entry(generator, MEDIUM);
    for (int column = 0; column < n; ++column) built.matrix[target][column] += factor * built.matrix[source][column];
  }
}

using Builder = Built (*)(std::mt19937 &, int, EntryRange);

struct BuilderCase {
  const char *name;
  Builder build;
  bool mixed;
};

class LargeOrderKnownDeterminant : public testing::TestWithParam<BuilderCase> {};

TEST_P(LargeOrderKnownDeterminant, MatchesModulo2To32) {
  const BuilderCase &c = GetParam();
  std::mt19937 generator(13);
  for (int n = 13; n <= MAX_DETERMINANT_ORDER; ++n) {
    for (const EntryRange range : {SMALL, FULL}) {
      Built built = c.build(generator, n, range);
      if (c.mixed) mix_rows(generator, n, built);
      const Evaluation result = evaluate(record_of(built.matrix, n));
      ASSERT_EQ(result.value, as_signed(built.determinant)) << "order " << n << ", entries from " << range.low;
      ASSERT_EQ(result.printed, "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orders13To31, LargeOrderKnownDeterminant,
                         testing::Values(BuilderCase{"upper_triangular", upper_triangular, false},
                                         BuilderCase{"lower_triangular", lower_triangular, false},
                                         BuilderCase{"weighted_permutation", weighted_permutation, false},
                                         BuilderCase{"block_triangular", block_triangular, false},
                                         BuilderCase{"block_triangular_rows_mixed", block_triangular, true},
                                         BuilderCase{"weighted_permutation_rows_mixed", weighted_permutation, true}),
                         [](const testing::TestParamInfo<BuilderCase> &info) { return std::string(info.param.name); });

TEST(LargeOrderKnownDeterminant, PermutationMatricesGiveTheirSign) {
  // Reversing n rows takes n / 2 swaps.
  for (const auto &[n, expected] : {std::pair{31, -1}, std::pair{13, 1}, std::pair{20, 1}, std::pair{30, -1}}) {
    SquareMatrix matrix{};
    for (int row = 0; row < n; ++row) matrix[row][n - 1 - row] = 1;
    EXPECT_EQ(evaluate(record_of(matrix, n)).value, expected) << "order " << n;
  }
}

}  // namespace
