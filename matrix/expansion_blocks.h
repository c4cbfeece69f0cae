// The permutation expansion in blocks of three fast columns, written once over
// the element type: which blocks each lane of a batch evaluates, the batches'
// and blocks' signs, and one function per order. One block's products are in
// block_products.h; the terms are those of doc/expansion.md.
//
// The including file defines EXPANSION_INLINE (always inline, and compiled
// for the instruction set of the form it builds) and EXPANSION_ORDER (never
// inline, the same instruction set): each order's batch is a function of its
// own, since one function holding all ten orders takes the compiler minutes
// under the sanitizers, and an engine that optimises a function between calls
// (a browser's for WebAssembly) then optimises a long expansion after its
// first batches. Everything here has internal linkage, so each form keeps its
// own copy.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "matrix/block_products.h"
#include "matrix/determinant_methods.h"
#include "matrix/plain_changes.h"

// Stops the program with a message: an order the template does not serve can
// come from no input, so only a fault in the program sends one here.
[[noreturn]] void stop_at_unexpanded_order(int n);

namespace expansion_blocks {
namespace {

inline constexpr int TAIL = 3;

// Each lane's rest columns by slot (the columns of its order, in place order
// before the walk), and each lane's sign of that order; 0 in spare lanes.
template <typename Lanes>
struct Batch {
  std::array<ByRow<Lanes>, MAX_REST> rest;
  Lanes sign;
};

// The columns of the last TAIL places of the rest, counted from the first
// rest column (column - FAST).
struct Tail {
  std::array<int, TAIL> rest_columns;
  int size;
};

EXPANSION_INLINE std::uint32_t element(const SquareMatrix &matrix, int row, int column) {
  return matrix[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

EXPANSION_INLINE std::uint32_t negated_if(bool negate, std::uint32_t value) { return negate ? 0u - value : value; }

// (a, b, c) is an even arrangement of 0, 1, 2 exactly when it is a rotation,
// where each column is one more than the one before, modulo 3; so either
// neighbouring pair tells.
EXPANSION_INLINE bool join_negates(int join_row, int first, int second) {
  const bool even = (second - first + FAST) % FAST == 1;
  return even == (join_row % 2 == 0);
}

template <typename Lanes, int N>
EXPANSION_INLINE void set_up_fast_columns(const SquareMatrix &matrix, FastColumns<Lanes> &fast) {
  for (int a = 0; a < FAST; ++a) {
    for (int row = 0; row < N; ++row) {
      splat(fast.signed_element[a][row], negated_if(row % 2 == 1, element(matrix, row, a)));
    }
  }
  for (int v = 0; v < N; ++v) {
    for (int first = 0; first < FAST; ++first) {
      for (int second = 0; second < FAST; ++second) {
        if (first == second) continue;
        const bool negate = join_negates(v, first, second);
        // (first, second) is (a, b) on the left and (b, c) on the right.
        splat(fast.join_left[v][first][second], negated_if(negate, element(matrix, v, second)));
        splat(fast.join_right[v][first][second], negated_if(negate, element(matrix, v, first)));
      }
    }
  }
}

EXPANSION_INLINE std::uint32_t factorial(int n) {
  std::uint32_t result = 1;
  for (std::uint32_t factor = 2; factor <= static_cast<std::uint32_t>(n); ++factor) result *= factor;
  return result;
}

template <typename Lanes>
EXPANSION_INLINE std::uint32_t lane_total(const Lanes &lanes) {
  if constexpr (LANE_COUNT<Lanes> == 1) {
    return lanes;
  } else {
    std::uint32_t total = 0;
    for (int lane = 0; lane < LANE_COUNT<Lanes>; ++lane) total += lanes[lane];
    return total;
  }
}

EXPANSION_INLINE Tail first_tail(int rest_size) {
  Tail tail{{0, 1, 2}, rest_size < TAIL ? rest_size : TAIL};
  return tail;
}

EXPANSION_INLINE bool tail_repeats_a_column(const Tail &tail) {
  for (int i = 0; i < tail.size; ++i) {
    for (int j = i + 1; j < tail.size; ++j) {
      if (tail.rest_columns[i] == tail.rest_columns[j]) return true;
    }
  }
  return false;
}

// The next choice of distinct columns, counting like an odometer; false
// after the last.
EXPANSION_INLINE bool next_tail(Tail &tail, int rest_size) {
  do {
    int digit = tail.size - 1;
    while (digit >= 0 && tail.rest_columns[digit] == rest_size - 1) tail.rest_columns[digit--] = 0;
    if (digit < 0) return false;
    ++tail.rest_columns[digit];
  } while (tail_repeats_a_column(tail));
  return true;
}

// A lane's order of the rest, by slot: the columns the tail leaves, in
// increasing order, then the tail's; true when that order is odd.
EXPANSION_INLINE bool lane_order(const Tail &tail, int rest_size, std::array<int, MAX_REST> &order) {
  int placed = 0;
  for (int column = 0; column < rest_size; ++column) {
    bool in_tail = false;
    for (int i = 0; i < tail.size; ++i) in_tail = in_tail || tail.rest_columns[i] == column;
    if (!in_tail) order[placed++] = column;
  }
  for (int i = 0; i < tail.size; ++i) order[placed++] = tail.rest_columns[i];
  int inversions = 0;
  for (int i = 0; i < rest_size; ++i) {
    for (int j = i + 1; j < rest_size; ++j) inversions += order[i] > order[j] ? 1 : 0;
  }
  return inversions % 2 == 1;
}

// Fills the batch from the tail on, one lane per tail; spare lanes get zeros.
// False when no tail is left for a next batch.
template <typename Lanes, int N>
EXPANSION_INLINE bool fill_batch(const SquareMatrix &matrix, Tail &tail, Batch<Lanes> &batch) {
  constexpr int REST = N - FAST;
  bool more = true;
  for (int lane = 0; lane < LANE_COUNT<Lanes>; ++lane) {
    std::array<int, MAX_REST> order{};
    const bool odd = more && lane_order(tail, REST, order);
    store_lane(batch.sign, lane, more ? negated_if(odd, 1) : 0);
    for (int slot = 0; slot < REST; ++slot) {
      for (int row = 0; row < N; ++row) {
        store_lane(batch.rest[slot][row], lane, more ? element(matrix, row, FAST + order[slot]) : 0);
      }
    }
    if (more) more = next_tail(tail, REST);
  }
  return more;
}

// Every order of the places before the tail, by plain changes; the blocks'
// signs alternate with them.
template <typename Lanes, int N>
EXPANSION_ORDER void add_batch(const Batch<Lanes> &batch, const FastColumns<Lanes> &fast,
                                Partials<Lanes> &partials, Lanes &total) {
  constexpr int REST = N - FAST;
  constexpr int WALKED = REST > TAIL ? REST - TAIL : 0;
  Places<Lanes> places{};
  for (int slot = 0; slot < REST; ++slot) places[slot] = &batch.rest[slot];
  PlainChanges<MAX_REST> walk = first_plain_change<MAX_REST>();
  std::array<Lanes, 2> by_parity{};
  const std::uint32_t orders = factorial(WALKED);
  Renewal renewal{N - 2, 1};
  for (std::uint32_t visited = 0;;) {
    add_block<Lanes, N>(places, fast, partials, renewal, by_parity[visited % 2]);
    if (++visited == orders) break;
    const int first_swapped = next_plain_change(walk, places, WALKED);
    renewal = Renewal{first_swapped + 2, first_swapped + 2};
  }
  total += (by_parity[0] - by_parity[1]) * batch.sign;
}

template <typename Lanes, int N>
EXPANSION_INLINE std::uint32_t expansion_of_order(const SquareMatrix &matrix, int batches = EVERY_BATCH) {
  FastColumns<Lanes> fast;
  set_up_fast_columns<Lanes, N>(matrix, fast);
  Batch<Lanes> batch;
  Partials<Lanes> partials;
  splat(partials.above[0], 1);
  Lanes total{};
  Tail tail = first_tail(N - FAST);
  for (bool more = true; more && batches-- > 0;) {
    more = fill_batch<Lanes, N>(matrix, tail, batch);
    add_batch<Lanes, N>(batch, fast, partials, total);
  }
  return lane_total(total);
}

// Orders above the expansion's limit go to the division-free method, so a
// build that lowers the limit (the fuzzers', to keep whole runs quick) need
// not compile them.
template <typename Lanes, int N>
EXPANSION_INLINE std::uint32_t expansion_within_limit(const SquareMatrix &matrix, int batches) {
  if constexpr (N > EXPANSION_LIMIT) {
    stop_at_unexpanded_order(N);
  } else {
    return expansion_of_order<Lanes, N>(matrix, batches);
  }
}

// Orders 3 to EXPANSION_LIMIT. LANES restates the lane type's width, so
// each form's call says how many blocks it evaluates at once.
template <typename Lanes, int LANES>
EXPANSION_INLINE std::uint32_t expansion_in_blocks(const SquareMatrix &matrix, int n, int batches) {
  static_assert(LANES == LANE_COUNT<Lanes>, "a lane type holds its number of 32-bit lanes and nothing else");
  static_assert(MAX_EXPANSION_ORDER == 12, "one case per order");
  switch (n) {
    case 3: return expansion_within_limit<Lanes, 3>(matrix, batches);
    case 4: return expansion_within_limit<Lanes, 4>(matrix, batches);
    case 5: return expansion_within_limit<Lanes, 5>(matrix, batches);
    case 6: return expansion_within_limit<Lanes, 6>(matrix, batches);
    case 7: return expansion_within_limit<Lanes, 7>(matrix, batches);
    case 8: return expansion_within_limit<Lanes, 8>(matrix, batches);
    case 9: return expansion_within_limit<Lanes, 9>(matrix, batches);
    case 10: return expansion_within_limit<Lanes, 10>(matrix, batches);
    case 11: return expansion_within_limit<Lanes, 11>(matrix, batches);
    case 12: return expansion_within_limit<Lanes, 12>(matrix, batches);
    default: stop_at_unexpanded_order(n);
  }
}

}  // namespace
}  // namespace expansion_blocks
