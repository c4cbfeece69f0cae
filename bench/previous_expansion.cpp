// The permutation expansion as shipped before blocks of three fast columns:
// columns 0 and 1 in every two rows for each plain-changes order of the
// others, one block at a time. Kept only as a baseline for the benchmark.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "bench/previous_expansion.h"

namespace {

constexpr int MAX_REST = MAX_EXPANSION_ORDER - 2;

// rest[k] is the column of the k-th row that columns 0 and 1 leave free.
using RestOrder = std::array<int, MAX_REST>;

// The state of Knuth's plain-changes walk (Algorithm P) over the rest; levels
// are numbered 1 to n-2, as there.
struct PlainChanges {
  RestOrder rest;
  std::array<int, MAX_REST + 1> counters;    // how far each level has moved its column
  std::array<int, MAX_REST + 1> directions;  // +1 or -1 per level
};

// Indexed by row.
using RowValues = std::array<std::uint32_t, MAX_EXPANSION_ORDER>;

std::uint32_t element(const SquareMatrix &matrix, int row, int column) {
  return matrix[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::uint32_t factorial(int n) {
  std::uint32_t result = 1;
  for (std::uint32_t factor = 2; factor <= static_cast<std::uint32_t>(n); ++factor) result *= factor;
  return result;
}

PlainChanges first_order() {
  PlainChanges state{};
  for (int k = 0; k < MAX_REST; ++k) state.rest[k] = k + 2;
  state.directions.fill(1);
  return state;
}

// One adjacent swap: the deepest level that can still move moves its column.
// Levels at an end turn round, and each one at its upper end shifts the
// places of the levels below it by one.
void next_order(PlainChanges &state, int rest_size) {
  int shift = 0;
  for (int level = rest_size; level > 1; --level) {
    const int counter = state.counters[level];
    const int next = counter + state.directions[level];
    if (next >= 0 && next < level) {
      std::swap(state.rest[level - 1 - counter + shift], state.rest[level - 1 - next + shift]);
      state.counters[level] = next;
      return;
    }
    state.directions[level] = -state.directions[level];
    if (next == level) ++shift;
  }
}

// One block: the rest in one order and columns 0 and 1 in rows u and v. The
// rows above both moving columns take the rest from its start, the rows
// between them one place on and the rows below both two places on.
struct Block {
  RowValues first_on_top;   // [u]: the rows above u, column 0 in u; the sweep multiplies in the rows between
  RowValues second_on_top;  // [u]: the same with column 1 in u
  RowValues first_below;    // [v]: column 0 in v times the rows below v
  RowValues second_below;   // [v]: column 1 in v times the rows below v
  RowValues between;        // [r]: the element of row r while r lies between
};

template <int N>
void set_up_block(const SquareMatrix &matrix, const RestOrder &rest, Block &block) {
  std::uint32_t above = 1;
  for (int u = 0; u < N - 1; ++u) {
    if (u > 0) above *= element(matrix, u - 1, rest[u - 1]);
    block.first_on_top[u] = above * element(matrix, u, 0);
    block.second_on_top[u] = above * element(matrix, u, 1);
  }
  std::uint32_t below = 1;
  for (int v = N - 1; v > 0; --v) {
    if (v < N - 1) below *= element(matrix, v + 1, rest[v - 1]);
    block.first_below[v] = element(matrix, v, 0) * below;
    block.second_below[v] = element(matrix, v, 1) * below;
  }
  for (int row = 1; row < N - 1; ++row) block.between[row] = element(matrix, row, rest[row - 1]);
}

// The block's n(n-1) products with their signs relative to the sign of its
// order of the rest, swept by the distance v - u. Column 0 in row u < v and
// column 1 in row v add u + v - 1 inversions to those of the rest, the other
// way round one more, so every product at one distance with the same column
// on top has the same sign. The products at one distance are independent,
// which keeps the multiplier busy.
template <int N>
std::uint32_t sweep_block(Block &block) {
  std::uint32_t positive = 0;
  std::uint32_t negative = 0;
  // Unrolled so that every inner loop has a fixed length.
#pragma GCC unroll 16
  for (int distance = 1; distance < N; ++distance) {
    std::uint32_t first_on_top = 0;
    std::uint32_t second_on_top = 0;
    for (int u = 0; u + distance < N; ++u) {
      first_on_top += block.first_on_top[u] * block.second_below[u + distance];
      second_on_top += block.second_on_top[u] * block.first_below[u + distance];
    }
    for (int u = 0; u + distance < N - 1; ++u) {
      block.first_on_top[u] *= block.between[u + distance];
      block.second_on_top[u] *= block.between[u + distance];
    }
    positive += distance % 2 == 1 ? first_on_top : second_on_top;
    negative += distance % 2 == 1 ? second_on_top : first_on_top;
  }
  return positive - negative;
}

template <int N>
std::uint32_t expansion_of_order(const SquareMatrix &matrix) {
  PlainChanges state = first_order();
  // The sums of the blocks of even and of odd orders of the rest; the walk
  // alternates between them.
  std::array<std::uint32_t, 2> by_parity{};
  const std::uint32_t blocks = factorial(N - 2);
  Block block;
  for (std::uint32_t visited = 0;;) {
    set_up_block<N>(matrix, state.rest, block);
    by_parity[visited % 2] += sweep_block<N>(block);
    if (++visited == blocks) break;
    next_order(state, N - 2);
  }
  return by_parity[0] - by_parity[1];
}

}  // namespace

std::uint32_t previous_permutation_expansion(const SquareMatrix &matrix, int n) {
  switch (n) {
    case 2: return expansion_of_order<2>(matrix);
    case 3: return expansion_of_order<3>(matrix);
    case 4: return expansion_of_order<4>(matrix);
    case 5: return expansion_of_order<5>(matrix);
    case 6: return expansion_of_order<6>(matrix);
    case 7: return expansion_of_order<7>(matrix);
    case 8: return expansion_of_order<8>(matrix);
    case 9: return expansion_of_order<9>(matrix);
    case 10: return expansion_of_order<10>(matrix);
    case 11: return expansion_of_order<11>(matrix);
    default: return expansion_of_order<12>(matrix);
  }
}
