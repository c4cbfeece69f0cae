// The determinant up to order 12: known values, wrapping, the range message,
// the method of each order, and checks of the expansion against the
// division-free method and against an independent cofactor expansion, all in
// the ring of integers modulo 2^32. Each form's own checks are in
// expansion_blocks_test.cpp.
#include "matrix/determinant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <iomanip>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "matrix/determinant_methods.h"
#include "tests/literal_expansion.h"
#include "tests/matrix_samples.h"

namespace {

// ---------------------------------------------------------------------------
// Known values through the public routine, orders 2 to 12.

struct KnownCase {
  const char *name;
  int n;
  std::vector<std::int32_t> elements;
  std::int32_t expected;
};

// a on the diagonal and b elsewhere: (a - b)^(n-1) * (a + (n-1) b).
std::vector<std::int32_t> diagonal_and_rest(int n, std::int32_t a, std::int32_t b) {
  std::vector<std::int32_t> elements(static_cast<std::size_t>(n * n), b);
  for (int i = 0; i < n; ++i) elements[static_cast<std::size_t>(i * n + i)] = a;
  return elements;
}

class KnownDeterminant : public testing::TestWithParam<KnownCase> {};

TEST_P(KnownDeterminant, GivesValueAndPrintsNothing) {
  const KnownCase &c = GetParam();
#ifndef __OPTIMIZE__
  // 12! products take minutes in an unoptimised (sanitizer) build.
  if (c.n == MAX_EXPANSION_ORDER) GTEST_SKIP() << "order 12 runs in optimised builds only";
#endif
  const Evaluation result = evaluate(record_of(c.n * 100 + c.n, c.elements));
  EXPECT_EQ(result.value, c.expected);
  EXPECT_EQ(result.printed, "");
}

INSTANTIATE_TEST_SUITE_P(
    Orders2To12, KnownDeterminant,
    testing::Values(
        KnownCase{"rows_3_1_and_4_2", 2, {3, 1, 4, 2}, 2},
        KnownCase{"identity_2", 2, {1, 0, 0, 1}, 1},
        KnownCase{"identity_3", 3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1},
        KnownCase{"identity_3_two_rows_swapped", 3, {0, 1, 0, 1, 0, 0, 0, 0, 1}, -1},
        KnownCase{"identity_4_outer_rows_swapped", 4, {0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0}, -1},
        KnownCase{"identity_4_rows_rotated", 4, {0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0}, -1},
        KnownCase{"equal_rows_3", 3, {1, 2, 3, 4, 5, 6, 1, 2, 3}, 0},
        KnownCase{"equal_rows_5", 5, {7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 1, 1, 1, 1,
                                      5, 6, 7, 8, 9, 0, 2, 4, 6, 8}, 0},
        KnownCase{"dense_3", 3, {6, 1, 1, 4, -2, 5, 2, 8, 7}, -306},
        // Wrapping: products and sums all in 32 bits.
        KnownCase{"min_times_minus_one", 2, {INT32_MIN, 0, 0, -1}, INT32_MIN},
        KnownCase{"max_squared", 2, {INT32_MAX, 0, 0, INT32_MAX}, 1},
        KnownCase{"min_squared_less_max_squared", 2, {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}, -1},
        KnownCase{"sum_passes_max", 2, {INT32_MAX, 1, -1, 1}, INT32_MIN},
        KnownCase{"min_cubed", 3, {INT32_MIN, 0, 0, 0, INT32_MIN, 0, 0, 0, INT32_MIN}, 0},
        KnownCase{"order_9_small_entries", 9, diagonal_and_rest(9, 3, 1), 2816},
        // Every product wraps; (a - b) = 1 and a + 11 b = 12 * 2^31 - 23.
        KnownCase{"order_12_entries_at_the_limit", 12, diagonal_and_rest(12, INT32_MAX, INT32_MAX - 1), -23}),
    [](const testing::TestParamInfo<KnownCase> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Orders the routine refuses.

struct RangeCase {
  std::int32_t size_code;
  const char *message;
};

class OutOfRange : public testing::TestWithParam<RangeCase> {};

TEST_P(OutOfRange, PrintsRangeMessageAndGivesZero) {
  const RangeCase &c = GetParam();
  const std::vector<std::int32_t> elements(MAX_ELEMENTS, 7);
  std::ostringstream out;
  // Settings a caller may have left on its stream do not change the text.
  out << std::hex << std::showpos << std::setw(40);
  EXPECT_EQ(matrix_determinant(record_of(c.size_code, elements), out), 0);
  EXPECT_EQ(out.str(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, OutOfRange,
    testing::Values(RangeCase{0, "Input 0  not between limits  2 and 1001\n"},
                    RangeCase{100, "Input 0  not between limits  2 and 1001\n"},
                    RangeCase{101, "Input 1  not between limits  2 and 1001\n"},
                    RangeCase{1, "Input 1  not between limits  2 and 1001\n"},
                    // 32 x 32 elements could not be in the record.
                    RangeCase{3232, "Input 32  not between limits  2 and 1001\n"},
                    RangeCase{9999, "Input 99  not between limits  2 and 1001\n"}));

// ---------------------------------------------------------------------------
// The expansion against cofactor expansion, orders 2 to 8.

class ExpansionAgainstCofactors : public testing::TestWithParam<int> {};

TEST_P(ExpansionAgainstCofactors, AgreeOnRandomMatrices) {
  const int n = GetParam();
  std::mt19937 generator(static_cast<std::uint32_t>(n));
  for (const EntryRange range : {SMALL, MEDIUM, FULL}) {
    for (int trial = 0; trial < 20; ++trial) {
      const SquareMatrix matrix = random_matrix(generator, n, range);
      ASSERT_EQ(permutation_expansion(matrix, n), cofactor_determinant(matrix, n))
          << "order " << n << ", entries from " << range.low << ", trial " << trial;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, ExpansionAgainstCofactors, testing::Range(2, 9));

// ---------------------------------------------------------------------------
// The expansion against the division-free method, orders 2 to 10.

class ExpansionAgainstDivisionFree : public testing::TestWithParam<AgreementCase> {};

TEST_P(ExpansionAgainstDivisionFree, AgreeBitForBit) {
  const AgreementCase &c = GetParam();
  std::mt19937 generator(static_cast<std::uint32_t>(1000 + c.n));
  for (const EntryRange range : {SMALL, MEDIUM, FULL}) {
    for (int trial = 0; trial < c.trials_per_range; ++trial) {
      const SquareMatrix matrix = random_matrix(generator, c.n, range);
      ASSERT_EQ(permutation_expansion(matrix, c.n), division_free_determinant(matrix, c.n))
          << "order " << c.n << ", entries from " << range.low << ", trial " << trial;
    }
  }
}

std::string order_name(const testing::TestParamInfo<AgreementCase> &info) {
  return "order_" + std::to_string(info.param.n);
}

// Fewer trials where n! grows, to keep the sanitizer run short.
INSTANTIATE_TEST_SUITE_P(Orders, ExpansionAgainstDivisionFree,
                         testing::Values(AgreementCase{2, 100}, AgreementCase{3, 100}, AgreementCase{4, 100},
                                         AgreementCase{5, 100}, AgreementCase{6, 50}, AgreementCase{7, 30},
                                         AgreementCase{8, 10}, AgreementCase{9, 3}, AgreementCase{10, 1}),
                         order_name);

// Orders 2 to 12 are expanded, every product formed; larger ones go to the
// division-free method, and the rest only get the range message.
TEST(DeterminantMethod, ByOrder) {
  for (int n = -1; n <= MAX_DETERMINANT_ORDER + 2; ++n) {
    const DeterminantMethod expected = n < 2 || n > MAX_DETERMINANT_ORDER ? DeterminantMethod::out_of_range
                                       : n <= MAX_EXPANSION_ORDER       ? DeterminantMethod::permutation_expansion
                                                                        : DeterminantMethod::division_free;
    EXPECT_EQ(determinant_method(n), expected) << "order " << n;
  }
}

}  // namespace
