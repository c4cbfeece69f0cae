// The permutation expansion as it was before blocks of two levels: the
// innermost level crosses the rows with products above and below the moving
// column. Kept only as a second baseline for the benchmark.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "bench/previous_expansion.h"

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
  RowProducts moving; // moving[r]: the moving column's element in row r
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
void plain_changes_step(PlainChanges &state, int n) {
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
}

// Between crossings the moving column is at one end of the rows.
int end_row_of_moving_column(const PermutationTable &arrangement, int n) {
  return arrangement[1] == MOVING_COLUMN ? 1 : n;
}

// Fills above[] and below[] for the coming crossing. The two chains of
// products are independent, so they are built side by side.
void refill_crossing(const SquareMatrix &matrix, const PermutationTable &arrangement, int n,
                     Crossing &crossing) {
  crossing.moving_row = end_row_of_moving_column(arrangement, n);
  // The other columns, in their order, are arrangement[1 + skip] onwards.
  const int skip = crossing.moving_row == 1 ? 1 : 0;
  crossing.above[1] = 1;
  crossing.below[n] = 1;
  for (int step = 1; step < n; ++step) {
    const int up = step + 1;
    const int down = n - step;
    crossing.above[up] = crossing.above[up - 1] * element(matrix, up - 1, arrangement[up - 1 + skip]);
    crossing.below[down] = crossing.below[down + 1] * element(matrix, down + 1, arrangement[down + skip]);
  }
}

void fill_crossing(const SquareMatrix &matrix, const PermutationTable &arrangement, int n,
                   Crossing &crossing) {
  for (int row = 1; row <= n; ++row) crossing.moving[row] = element(matrix, row, MOVING_COLUMN);
  refill_crossing(matrix, arrangement, n, crossing);
}

std::uint32_t product_with_moving_row(const Crossing &crossing, int row) {
  return crossing.above[row] * crossing.moving[row] * crossing.below[row];
}

// The n-1 steps of the innermost level, which carry the moving column from
// one end of the rows to the other, through every row once. No search is
// needed: inside a crossing the level never reaches an end. The signs
// alternate along the crossing, so each product's sign follows from the
// parity of its row, and the sum needs no order of its own.
void cross(const Crossing &crossing, PlainChanges &state, int n, SignedSum &total) {
  std::uint32_t odd_rows = 0;
  std::uint32_t even_rows = 0;
  for (int row = 1; row < n; row += 2) {
    odd_rows += product_with_moving_row(crossing, row);
    even_rows += product_with_moving_row(crossing, row + 1);
  }
  if (n % 2 == 1) odd_rows += product_with_moving_row(crossing, n);
  // The first step lands on a row of the other parity than the start and
  // carries the flag's sign. The starting row's product, taken before the
  // crossing, sits in the class of the other sign; adding it cancels it.
  const int start = crossing.moving_row;
  const std::uint32_t first_sign_minus_second = start % 2 == 1 ? even_rows - odd_rows : odd_rows - even_rows;
  const std::uint32_t crossing_sum = first_sign_minus_second + product_with_moving_row(crossing, start);
  total.sum += total.flag != 0 ? 0u - crossing_sum : crossing_sum;
  if ((n - 1) % 2 == 1) total.flag = 1 - total.flag;

  const std::int32_t direction = state.directions[n];
  state.counters[n] += direction * (n - 1);
  // Moved one entry at a time: the wide copies of a library rotate make the
  // next crossing's narrow reads of the table wait for them, which cost a
  // fifth of the time.
  PermutationTable &arrangement = state.arrangement;
  if (start == 1) {
    for (int row = 1; row < n; ++row) arrangement[row] = arrangement[row + 1];
    arrangement[n] = MOVING_COLUMN;
  } else {
    for (int row = n; row > 1; --row) arrangement[row] = arrangement[row - 1];
    arrangement[1] = MOVING_COLUMN;
  }
}

// Inlined once per order, so every loop runs over a constant number of rows.
[[gnu::always_inline]] inline std::uint32_t expansion_of_order(const SquareMatrix &matrix, const int n) {
  PlainChanges state{START_ARRANGEMENT, START_COUNTERS, START_DIRECTIONS};
  SignedSum total{0, 1};
  std::uint32_t count = factorial(n);
  Crossing crossing;
  fill_crossing(matrix, state.arrangement, n, crossing);
  // Every product follows a swap. The identity we start from is reached
  // again by the last swap, and its product is taken then.
  while (count != 0) {
    cross(crossing, state, n, total);
    count -= static_cast<std::uint32_t>(n - 1);
    plain_changes_step(state, n);
    refill_crossing(matrix, state.arrangement, n, crossing);
    take_product(total, product_with_moving_row(crossing, crossing.moving_row));
    --count;
  }
  return total.sum;
}

}  // namespace

// Flattened so each order's copy has its helpers inlined with a constant n.
[[gnu::flatten]] std::uint32_t previous_permutation_expansion(const SquareMatrix &matrix, int n) {
  switch (n) {
    case 2: return expansion_of_order(matrix, 2);
    case 3: return expansion_of_order(matrix, 3);
    case 4: return expansion_of_order(matrix, 4);
    case 5: return expansion_of_order(matrix, 5);
    case 6: return expansion_of_order(matrix, 6);
    case 7: return expansion_of_order(matrix, 7);
    case 8: return expansion_of_order(matrix, 8);
    case 9: return expansion_of_order(matrix, 9);
    case 10: return expansion_of_order(matrix, 10);
    case 11: return expansion_of_order(matrix, 11);
    default: return expansion_of_order(matrix, 12);
  }
}
