// The determinant as the signed sum of all n! products of one element per row
// and column. The columns are permuted by plain changes (one adjacent swap at a
// time), so the sign of consecutive products simply alternates.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "matrix/determinant_methods.h"

namespace {

// Entries 1 to n are used; entry 0 keeps the 1-based indexing of the levels.
using PermutationTable = std::array<std::int32_t, 14>;

constexpr PermutationTable START_ARRANGEMENT = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
constexpr PermutationTable START_COUNTERS = {};
constexpr PermutationTable START_DIRECTIONS = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

struct PlainChanges {
  PermutationTable arrangement;  // the column taken from each row
  PermutationTable counters;     // how far each level has moved its column
  PermutationTable directions;   // +1 or -1 per level
};

// The innermost level always moves the column that starts in row 1.
constexpr std::int32_t MOVING_COLUMN = 1;

struct SignedSum {
  std::uint32_t sum;
  std::uint32_t flag;  // 1 while the next product is subtracted
};

// Indexed by row, 1 to n.
using RowProducts = std::array<std::uint32_t, MAX_EXPANSION_ORDER + 1>;

// While the innermost level runs, the moving column crosses the rows and the
// other columns keep their order. The product of the rows above the moving
// column and the product of the rows below it then give each product of the
// crossing with two multiplications.
struct Crossing {
  RowProducts above;  // above[r]: rows 1 .. r-1, the moving column in row r
  RowProducts below;  // below[r]: rows r+1 .. n
  int moving_row;     // where the crossing starts
};

std::uint32_t element(const SquareMatrix &matrix, int row, std::int32_t column) {
  return matrix[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
}

void take_product(SignedSum &total, std::uint32_t product) {
  total.sum += total.flag != 0 ? 0u - product : product;
  total.flag = 1 - total.flag;
}

std::uint32_t factorial(int n) {
  std::uint32_t result = 1;
  for (std::uint32_t factor = 1; factor <= static_cast<std::uint32_t>(n); ++factor) result *= factor;
  return result;
}

// Finds the level that moves next and exchanges the adjacent pair it names.
// Returns the upper row of that pair.
int plain_changes_step(PlainChanges &state, int n) {
  std::int32_t shift = 0;
  std::int32_t swap_index = 1;
  for (std::int32_t level = n;; --level) {
    const std::int32_t next = state.counters[level] + state.directions[level];
    state.counters[level] = next;
    if (next == level) {
      state.directions[level] = -1;
    } else if (next == 0) {
      state.directions[level] = 1;
      ++shift;
    } else {
      swap_index = next;
      break;
    }
    // Only the n!-th step gets here; its swap returns to the identity.
    if (level <= 2) break;
  }
  const int upper_row = swap_index + shift;
  std::swap(state.arrangement[upper_row], state.arrangement[upper_row + 1]);
  return upper_row;
}

// Between crossings the moving column is at one end of the rows.
int end_row_of_moving_column(const PermutationTable &arrangement, int n) {
  return arrangement[1] == MOVING_COLUMN ? 1 : n;
}

// Refills above[] from row `first_above` down to row n and below[] from row
// `last_below` up to row 1; the entries left alone must still be right.
void refill_crossing(const SquareMatrix &matrix, const PermutationTable &arrangement, int n,
                     int first_above, int last_below, Crossing &crossing) {
  crossing.moving_row = end_row_of_moving_column(arrangement, n);
  // The other columns, in their order, are arrangement[1 + skip] onwards.
  const int skip = crossing.moving_row == 1 ? 1 : 0;
  crossing.above[1] = 1;
  for (int row = first_above; row <= n; ++row) {
    crossing.above[row] = crossing.above[row - 1] * element(matrix, row - 1, arrangement[row - 1 + skip]);
  }
  crossing.below[n] = 1;
  for (int row = last_below; row >= 1; --row) {
    crossing.below[row] = crossing.below[row + 1] * element(matrix, row + 1, arrangement[row + skip]);
  }
}

void fill_crossing(const SquareMatrix &matrix, const PermutationTable &arrangement, int n,
                   Crossing &crossing) {
  refill_crossing(matrix, arrangement, n, 2, n - 1, crossing);
}

std::uint32_t product_with_moving_row(const SquareMatrix &matrix, const Crossing &crossing, int row) {
  return crossing.above[row] * element(matrix, row, MOVING_COLUMN) * crossing.below[row];
}

// The n-1 steps of the innermost level, which carry the moving column from
// one end of the rows to the other.
void cross(const SquareMatrix &matrix, const Crossing &crossing, PlainChanges &state, int n,
           SignedSum &total) {
  const std::int32_t direction = state.directions[n];
  // The signs alternate, so the odd steps all carry the sign of the first.
  std::uint32_t odd_steps = 0;
  std::uint32_t even_steps = 0;
  int row = crossing.moving_row;
  for (int step = 1; step < n; ++step) {
    row += direction;
    const std::uint32_t product = product_with_moving_row(matrix, crossing, row);
    if (step % 2 == 1) {
      odd_steps += product;
    } else {
      even_steps += product;
    }
  }
  const std::uint32_t crossing_sum = odd_steps - even_steps;
  total.sum += total.flag != 0 ? 0u - crossing_sum : crossing_sum;
  if ((n - 1) % 2 == 1) total.flag = 1 - total.flag;
  // Leave the level and the arrangement as the n-1 single swaps would have.
  if (direction > 0) {
    state.counters[n] = n - 1;
    std::rotate(&state.arrangement[1], &state.arrangement[2], &state.arrangement[n + 1]);
  } else {
    state.counters[n] = 1;
    std::rotate(&state.arrangement[1], &state.arrangement[n], &state.arrangement[n + 1]);
  }
}

}  // namespace

std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n) {
  PlainChanges state{START_ARRANGEMENT, START_COUNTERS, START_DIRECTIONS};
  SignedSum total{0, 1};
  std::uint32_t count = factorial(n);
  Crossing crossing;
  fill_crossing(matrix, state.arrangement, n, crossing);
  // Every product follows a swap. The identity we start from is reached
  // again by the last swap, and its product is taken then.
  while (count != 0) {
    cross(matrix, crossing, state, n, total);
    count -= static_cast<std::uint32_t>(n - 1);
    const int upper_row = plain_changes_step(state, n);
    if (count == 1) {
      // The last swap may move the moving column itself.
      fill_crossing(matrix, state.arrangement, n, crossing);
    } else {
      // A lower level exchanged two neighbouring other columns: only the
      // products that reach past them change.
      const int skip = end_row_of_moving_column(state.arrangement, n) == 1 ? 1 : 0;
      const int upper_other = upper_row - skip;
      refill_crossing(matrix, state.arrangement, n, upper_other + 1, upper_other + 1, crossing);
    }
    take_product(total, product_with_moving_row(matrix, crossing, crossing.moving_row));
    --count;
  }
  return total.sum;
}
