// The determinant: known values, wrapping, the range message, and checks of
// both methods against each other, against an independent cofactor expansion
// and, for each form of the expansion, against a literal reading of it, all in
// the ring of integers modulo 2^32.
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
#include "tests/processor_features.h"

namespace {

// Slots the routine must never read hold this, so a stray read shows up.
constexpr std::int32_t JUNK = 0x5A5A5A5A;

MatrixRecord record_of(std::int32_t size_code, const std::vector<std::int32_t> &elements) {
  MatrixRecord record;
  record.fill(JUNK);
  record[0] = size_code;
  std::copy(elements.begin(), elements.end(), record.begin() + 1);
  record[elements.size() + 1] = END_MARKER;
  return record;
}

MatrixRecord record_of(const SquareMatrix &matrix, int n) {
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

Evaluation evaluate(const MatrixRecord &record) {
  std::ostringstream out;
  const std::int32_t value = matrix_determinant(record, out);
  return {value, out.str()};
}

std::int32_t as_signed(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// Laplace expansion along the first row still in play, over the free columns.
std::uint32_t cofactor_determinant(const SquareMatrix &matrix, int n, int row = 0, std::uint32_t used = 0) {
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

constexpr EntryRange SMALL{-3, 3};
constexpr EntryRange MEDIUM{-1000, 1000};
constexpr EntryRange FULL{INT32_MIN, INT32_MAX};
constexpr EntryRange AT_THE_LIMITS{INT32_MIN, INT32_MAX, true};

std::uint32_t random_entry(std::mt19937 &generator, EntryRange range) {
  if (range.limits_often) {
    constexpr std::array<std::int32_t, 5> LIMITS = {INT32_MIN, INT32_MAX, -1, 0, 1};
    const std::uint32_t pick = generator() % 8;
    return pick < LIMITS.size() ? static_cast<std::uint32_t>(LIMITS[pick]) : generator();
  }
  std::uniform_int_distribution<std::int64_t> pick(range.low, range.high);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(pick(generator)));
}

SquareMatrix random_matrix(std::mt19937 &generator, int n, EntryRange range) {
  SquareMatrix matrix{};
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) matrix[row][column] = random_entry(generator, range);
  }
  return matrix;
}

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

// ---------------------------------------------------------------------------
// Known determinants at orders 13 to 31, through the public routine.

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
