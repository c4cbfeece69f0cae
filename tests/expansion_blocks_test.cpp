// The expansion's template asks for every product: instantiated over a lane
// type that counts, it forms exactly n! products at each order it serves, and
// they add up to the value of a literal reading. Then each form's entry point
// against the literal reading and values worked out in advance.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>

#include "matrix/determinant_methods.h"
#include "matrix/formed_product.h"
#include "tests/literal_expansion.h"
#include "tests/matrix_samples.h"
#include "tests/processor_features.h"

namespace {

// One 32-bit lane, like the scalar form's element, whose products are counted
// where the template marks each product as formed.
struct CountedLane {
  std::uint32_t value;
  operator std::uint32_t() const { return value; }
};

std::uint64_t products_formed = 0;

CountedLane operator*(CountedLane a, CountedLane b) { return {a.value * b.value}; }
CountedLane operator+(CountedLane a, CountedLane b) { return {a.value + b.value}; }
CountedLane operator-(CountedLane a, CountedLane b) { return {a.value - b.value}; }
CountedLane &operator+=(CountedLane &a, CountedLane b) { return a = a + b; }

}  // namespace

template <>
inline void keep_formed<CountedLane>(CountedLane &) {
  ++products_formed;
}

// Plain inline functions: the count needs no speed, and the build stays quick.
#define EXPANSION_INLINE inline
#define EXPANSION_ORDER
#include "matrix/expansion_blocks.h"

namespace {

std::uint64_t factorial(int n) { return n <= 1 ? 1 : static_cast<std::uint64_t>(n) * factorial(n - 1); }

template <int N>
void expect_every_product_formed_once(std::mt19937 &generator) {
  SquareMatrix matrix{};
  for (int row = 0; row < N; ++row) {
    for (int column = 0; column < N; ++column) matrix[row][column] = generator();
  }
  products_formed = 0;
  const std::uint32_t value = expansion_blocks::expansion_of_order<CountedLane, N>(matrix);
  EXPECT_EQ(products_formed, factorial(N)) << "order " << N;
  EXPECT_EQ(value, literal_expansion(matrix, N)) << "order " << N;
}

// Orders 11 and 12 go through the same code, and would only make this test
// slower to build and to run.
TEST(ExpansionBlocks, FormEveryProductOnceAtOrders3To10) {
  std::mt19937 generator(3);
  expect_every_product_formed_once<3>(generator);
  expect_every_product_formed_once<4>(generator);
  expect_every_product_formed_once<5>(generator);
  expect_every_product_formed_once<6>(generator);
  expect_every_product_formed_once<7>(generator);
  expect_every_product_formed_once<8>(generator);
  expect_every_product_formed_once<9>(generator);
  expect_every_product_formed_once<10>(generator);
}

// ---------------------------------------------------------------------------
// Each form of the expansion, called directly: against a literal reading of
// it (a product of n factors per permutation), orders 2 to 12, with entries at
// the limits of 32 bits among random ones; the only check that evaluates an
// 11 x 11, and the forms the dispatch does not pick on this processor. Then
// where the vector form runs, and the stop at an order no form serves.

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

}  // namespace
