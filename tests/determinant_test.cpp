// The determinant up to order 12: known values, wrapping, the range message,
// and checks of the expansion against the division-free method, against an
// independent cofactor expansion and, for each form of the expansion, against
// a literal reading of it, all in the ring of integers modulo 2^32.
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
#include <tuple>
#include <utility>
#include <vector>

#include "matrix/determinant_methods.h"
#include "tests/literal_expansion.h"
#include "tests/matrix_samples.h"
#include "tests/processor_features.h"

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

struct AgreementCase {
  int n;
  int trials_per_range;
};

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

// ---------------------------------------------------------------------------
// Each form of the expansion, called directly, against a literal reading of
// it (a product of n factors per permutation), orders 2 to 12, with entries at
// the limits of 32 bits among random ones. The only check that evaluates an
// 11 x 11, and the forms the dispatch does not pick on this processor.

struct ExpansionForm {
  const char *name;
  std::uint32_t (*expand)(const SquareMatrix &, int);
  bool needs_vector_lanes;
};

constexpr std::array<ExpansionForm, 3> EXPANSION_FORMS = {{{"chosen", permutation_expansion, false},
                                                           {"scalar", scalar_permutation_expansion, false},
                                                           {"vector", vector_permutation_expansion, true}}};

class ExpansionAgainstLiteralReading
    : public testing::TestWithParam<std::tuple<ExpansionForm, AgreementCase>> {};

TEST_P(ExpansionAgainstLiteralReading, AgreeBitForBitAtTheLimits) {
  const auto &[form, c] = GetParam();
  if (form.needs_vector_lanes && !vector_expansion_available()) {
    GTEST_SKIP() << "this processor or build has no vector lanes for the expansion";
  }
  std::mt19937 generator(static_cast<std::uint32_t>(2000 + c.n));
  for (int trial = 0; trial < c.trials_per_range; ++trial) {
    const SquareMatrix matrix = random_matrix(generator, c.n, AT_THE_LIMITS);
    ASSERT_EQ(form.expand(matrix, c.n), literal_expansion(matrix, c.n)) << "order " << c.n << ", trial " << trial;
  }
}

// One range, the mix of limits and random entries; few matrices where n! is
// large. Orders 7 to 10 fill the last batch of lanes or leave some spare.
INSTANTIATE_TEST_SUITE_P(Orders, ExpansionAgainstLiteralReading,
                         testing::Combine(testing::ValuesIn(EXPANSION_FORMS),
                                          testing::Values(AgreementCase{2, 50}, AgreementCase{3, 50},
                                                          AgreementCase{4, 50}, AgreementCase{5, 20},
                                                          AgreementCase{6, 20}, AgreementCase{7, 10},
                                                          AgreementCase{8, 5}, AgreementCase{9, 2},
                                                          AgreementCase{10, 1}, AgreementCase{11, 1})),
                         [](const testing::TestParamInfo<std::tuple<ExpansionForm, AgreementCase>> &info) {
                           return std::string(std::get<0>(info.param).name) + "_order_" +
                                  std::to_string(std::get<1>(info.param).n);
                         });

// At order 12 the literal reading takes seconds, so each form is checked
// against values worked out in advance: the random matrix's by the literal
// reading and, independently, by the division-free method, which agreed
// (tests/literal_expansion.cpp and division_free_determinant, on this seed's
// std::mt19937 draws, which the C++ standard fixes on every platform).
TEST(ExpansionFormsAtOrder12, GiveTheValuesWorkedOutInAdvance) {
#ifndef __OPTIMIZE__
  GTEST_SKIP() << "order 12 runs in optimised builds only";
#endif
  constexpr int n = MAX_EXPANSION_ORDER;
  constexpr std::uint32_t RANDOM_VALUE = 3189248131u;
  std::mt19937 generator(2000 + n);
  const SquareMatrix random = random_matrix(generator, n, AT_THE_LIMITS);
  // (a - b) = 1 and a + 11 b = 12 * 2^31 - 23, as among the known values.
  SquareMatrix known{};
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) known[row][column] = row == column ? INT32_MAX : INT32_MAX - 1;
  }
  for (const ExpansionForm &form : EXPANSION_FORMS) {
    if (form.needs_vector_lanes && !vector_expansion_available()) continue;
    EXPECT_EQ(form.expand(random, n), RANDOM_VALUE) << form.name;
    EXPECT_EQ(as_signed(form.expand(known, n)), -23) << form.name;
  }
}

// The vector form runs wherever the build has it and the processor runs it
// (AVX2 on x86-64, always on 64-bit ARM), asked here independently of the
// program's own check.
TEST(VectorForm, AvailableExactlyWhereTheProcessorRunsIt) {
  EXPECT_EQ(vector_expansion_available(), VECTOR_FORM_BUILT && processor_runs_vector_form());
}

// An order the template does not serve cannot come from any input; should a
// fault send one, the program stops with a message instead of evaluating
// another order.
TEST(ExpansionFormsDeathTest, StopAtAnOrderTheyDoNotServe) {
  const SquareMatrix matrix{};
  for (const ExpansionForm &form : EXPANSION_FORMS) {
    if (form.needs_vector_lanes && !vector_expansion_available()) continue;
    for (const int n : {1, 13, 0, -1, MAX_DETERMINANT_ORDER}) {
      EXPECT_DEATH(form.expand(matrix, n), "asked for order " + std::to_string(n) + "; it serves 3 to 12")
          << form.name << ", order " << n;
    }
  }
}

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
