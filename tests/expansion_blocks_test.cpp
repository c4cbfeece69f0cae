// The expansion's template asks for every product: instantiated over a lane
// type that counts, it forms exactly n! products at each order it serves, and
// they add up to the value of a literal reading.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "matrix/determinant_methods.h"
#include "matrix/formed_product.h"
#include "tests/literal_expansion.h"

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

}  // namespace
