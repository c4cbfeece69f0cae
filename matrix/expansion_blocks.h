// The permutation expansion in blocks of three fast columns, written once over
// the element type: std::uint32_t evaluates one block at a time, a vector of
// 32-bit lanes one block per lane.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "matrix/determinant_methods.h"
#include "matrix/formed_product.h"
#include "matrix/plain_changes.h"

// Columns 0, 1 and 2 are the fast ones; the other n-3, the rest, take every
// order. A block places the fast columns in rows u < v < w in all 6
// arrangements and the rest, in one order, in the rows left free. Each of its
// n(n-1)(n-2) products is one multiplication of a left partial product (rows
// 0 to v) by a right one (rows below v); the partial products grow one row at
// a time. The signs ride on the factors: a fast column's element is negated in
// odd rows, and row v's element carries the sign of the arrangement, so every
// product of a block adds with the sign of its order of the rest. Consecutive
// blocks differ by one adjacent swap of the rest, so a block computes afresh
// only the partial products that hold a swapped place; every product itself
// is formed anew.
//
// Lanes of one batch hold orders of the rest that differ only in the columns
// of the last TAIL places; every lane walks the same plain changes over the
// other places, so one row of one place is one load for all lanes.

// The including file defines EXPANSION_INLINE (always inline, and compiled
// for the instruction set of the form it builds) and EXPANSION_ORDER (never
// inline, the same instruction set): each order is a function of its own,
// since one function holding all ten takes the compiler minutes under the
// sanitizers. Everything here has internal linkage, so each form keeps its
// own copy.
#if !defined(EXPANSION_INLINE) || !defined(EXPANSION_ORDER)
#error "define EXPANSION_INLINE and EXPANSION_ORDER before including expansion_blocks.h"
#endif
namespace expansion_blocks {
namespace {

inline constexpr int FAST = 3;
inline constexpr int MAX_REST = MAX_EXPANSION_ORDER - FAST;
inline constexpr int TAIL = 3;

template <typename V>
using ByRow = std::array<V, MAX_EXPANSION_ORDER>;
template <typename V>
using ByFast = std::array<V, FAST>;
template <typename V>
using ByPair = std::array<ByFast<V>, FAST>;

// What depends only on the matrix, the same in every lane.
template <typename V>
struct FastColumns {
  std::array<ByRow<V>, FAST> signed_element;  // [a][r]: column a in row r, negated in odd rows
  // [v][a][b] with column a above row v and b in it, and [v][b][c] with b in
  // row v and c below it: column b in row v, with the sign of the arrangement,
  // negated once more for even v.
  ByRow<ByPair<V>> join_left;
  ByRow<ByPair<V>> join_right;
};

// Each lane's rest columns by slot (the columns of its order, in place order
// before the walk), and each lane's sign of that order; 0 in spare lanes.
template <typename V>
struct Batch {
  std::array<ByRow<V>, MAX_REST> rest;
  V sign;
};

template <typename V>
using Places = std::array<const ByRow<V> *, MAX_REST>;

// The partial products of a block by join row v. The right ones hold only
// the places from v - 1 on and the left ones only those up to v - 2, so after
// a swap of places p and p + 1 a block keeps the last block's right ones above
// v = p + 2 and its left ones below it.
template <typename V>
struct Partials {
  std::array<ByRow<ByFast<V>>, MAX_EXPANSION_ORDER> right;  // [v][w][c]: rows below v, column c in row w
  ByRow<V> below_w;                                          // [v]: rows below w = v + 1, three places on
  std::array<ByRow<ByFast<V>>, MAX_EXPANSION_ORDER> left;   // [v][u][a]: rows above v, column a in row u
  ByRow<V> above;                                            // [v]: rows above v - 1, at their own places
  // Row v's element joined to the shorter side: [v][u][a][b] on the left,
  // [v][w][b][c] on the right.
  std::array<ByRow<ByPair<V>>, MAX_EXPANSION_ORDER> joined;
};

// The join rows whose partial products a block computes afresh: on the right
// up to `right_up_to`, on the left from `left_from` on.
struct Renewal {
  int right_up_to;
  int left_from;
};

// The columns of the last TAIL places of the rest, by slot (column - FAST).
struct Tail {
  std::array<int, TAIL> slots;
  int size;
};

// Through memory: inserting lanes into a vector register one by one is slow
// with some compilers.
template <typename V>
EXPANSION_INLINE void store_lane(V &lanes, int lane, std::uint32_t value) {
  std::memcpy(reinterpret_cast<unsigned char *>(&lanes) + static_cast<std::size_t>(lane) * sizeof value, &value,
              sizeof value);
}

template <typename V, int LANES>
EXPANSION_INLINE void splat(V &lanes, std::uint32_t value) {
  for (int lane = 0; lane < LANES; ++lane) store_lane<V>(lanes, lane, value);
}

template <typename V, int LANES>
EXPANSION_INLINE std::uint32_t lane_total(const V &lanes) {
  if constexpr (LANES == 1) {
    return lanes;
  } else {
    std::uint32_t total = 0;
    for (int lane = 0; lane < LANES; ++lane) total += lanes[lane];
    return total;
  }
}

EXPANSION_INLINE std::uint32_t element(const SquareMatrix &matrix, int row, int column) {
  return matrix[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

EXPANSION_INLINE std::uint32_t negated_if(bool negate, std::uint32_t value) { return negate ? 0u - value : value; }

EXPANSION_INLINE std::uint32_t factorial(int n) {
  std::uint32_t result = 1;
  for (std::uint32_t factor = 2; factor <= static_cast<std::uint32_t>(n); ++factor) result *= factor;
  return result;
}

// (a, b, c) is an even arrangement of 0, 1, 2 exactly when it is a rotation,
// where each column is one more than the one before, modulo 3.
EXPANSION_INLINE bool even_arrangement(int first, int second) { return (second - first + FAST) % FAST == 1; }

template <typename V, int LANES, int N>
EXPANSION_INLINE void set_up_fast_columns(const SquareMatrix &matrix, FastColumns<V> &fast) {
  for (int a = 0; a < FAST; ++a) {
    for (int row = 0; row < N; ++row) {
      splat<V, LANES>(fast.signed_element[a][row], negated_if(row % 2 == 1, element(matrix, row, a)));
    }
  }
  for (int v = 0; v < N; ++v) {
    for (int x = 0; x < FAST; ++x) {
      for (int y = 0; y < FAST; ++y) {
        if (x == y) continue;
        const bool negate = even_arrangement(x, y) == (v % 2 == 0);
        splat<V, LANES>(fast.join_left[v][x][y], negated_if(negate, element(matrix, v, y)));
        splat<V, LANES>(fast.join_right[v][x][y], negated_if(negate, element(matrix, v, x)));
      }
    }
  }
}

// The element of row `row` at place `place` of the rest, in every lane.
template <typename V>
EXPANSION_INLINE const V &rest_element(const Places<V> &places, int place, int row) {
  return (*places[place])[row];
}

// Below the row v the rest sits two places on between v and w, three below w.
template <typename V, int LANES, int N>
EXPANSION_INLINE void set_up_right(const Places<V> &places, const FastColumns<V> &fast, Partials<V> &partials,
                                   int up_to) {
  for (int v = N - 2; v >= 1; --v) {
    if (v > up_to) continue;
    const int w = v + 1;
    if (w < N - 1) {
      partials.below_w[v] = partials.below_w[v + 1] * rest_element(places, w - 2, w + 1);
    } else {
      splat<V, LANES>(partials.below_w[v], 1);
    }
    for (int c = 0; c < FAST; ++c) partials.right[v][w][c] = fast.signed_element[c][w] * partials.below_w[v];
    if (w < N - 1) {
      const V between = rest_element(places, v - 1, v + 1);
      for (int x = w + 1; x < N; ++x) {
        for (int c = 0; c < FAST; ++c) partials.right[v][x][c] = partials.right[v + 1][x][c] * between;
      }
    }
  }
}

// Row v's element joins the left side when it has fewer products than the
// right. V_ROW is v; as a constant it lets every loop below unroll.
template <typename V, int V_ROW>
EXPANSION_INLINE void join_on_left(const ByRow<ByFast<V>> &left, const ByPair<V> &join, ByRow<ByPair<V>> &joined) {
  for (int a = 0; a < FAST; ++a) {
    for (int b = 0; b < FAST; ++b) {
      if (a == b) continue;
      for (int u = 0; u < V_ROW; ++u) joined[u][a][b] = left[u][a] * join[a][b];
    }
  }
}

template <typename V, int N, int V_ROW>
EXPANSION_INLINE void join_on_right(const ByRow<ByFast<V>> &right, const ByPair<V> &join,
                                    ByRow<ByPair<V>> &joined) {
  for (int b = 0; b < FAST; ++b) {
    for (int c = 0; c < FAST; ++c) {
      if (b == c) continue;
      for (int w = V_ROW + 1; w < N; ++w) joined[w][b][c] = join[b][c] * right[w][c];
    }
  }
}

// Row v's products: each joined partial product (by the outer row, holding
// columns x and y) times a plain one of the other side (by the inner row,
// holding the third). Two sums take turns, so no addition waits for the one
// before.
template <typename V, int OUTER_FROM, int OUTER_TO, int INNER_FROM, int INNER_TO>
EXPANSION_INLINE void add_products(const ByRow<ByPair<V>> &joined, const ByRow<ByFast<V>> &other, V &sum) {
  V first{};
  V second{};
  for (int x = 0; x < FAST; ++x) {
    for (int y = 0; y < FAST; ++y) {
      if (x == y) continue;
      const int z = FAST - x - y;
      for (int outer = OUTER_FROM; outer < OUTER_TO; ++outer) {
        const V partial = joined[outer][x][y];
        for (int inner = INNER_FROM; inner < INNER_TO; ++inner) {
          V product = partial * other[inner][z];
          keep_formed(product);
          (inner % 2 == 0 ? first : second) += product;
        }
      }
    }
  }
  sum += first + second;
}

// The left products as row v joins: the row above it becomes the newest
// place of column a, and the rows between the others grow by it.
template <typename V, int LANES, int N, int V_ROW>
EXPANSION_INLINE void set_up_left(const Places<V> &places, const FastColumns<V> &fast, Partials<V> &partials) {
  constexpr int NEWEST = V_ROW - 1;
  ByRow<ByFast<V>> &left = partials.left[V_ROW];
  if constexpr (NEWEST > 0) {
    const V between = rest_element(places, NEWEST - 1, NEWEST);
    for (int u = 0; u < NEWEST; ++u) {
      for (int a = 0; a < FAST; ++a) left[u][a] = partials.left[NEWEST][u][a] * between;
    }
  }
  for (int a = 0; a < FAST; ++a) left[NEWEST][a] = partials.above[NEWEST] * fast.signed_element[a][NEWEST];
}

template <typename V, int LANES, int N, int V_ROW>
EXPANSION_INLINE void add_join_row(const Places<V> &places, const FastColumns<V> &fast, Partials<V> &partials,
                                   const Renewal &renewal, V &sum) {
  constexpr int NEWEST = V_ROW - 1;
  const bool new_left = V_ROW >= renewal.left_from;
  if (new_left) set_up_left<V, LANES, N, V_ROW>(places, fast, partials);
  // These rows hold one place more than the left products of row v.
  if constexpr (V_ROW < N - 2) {
    if (V_ROW + 1 >= renewal.left_from) {
      partials.above[V_ROW] = partials.above[NEWEST] * rest_element(places, NEWEST, NEWEST);
    }
  }
  if constexpr (V_ROW <= N - 1 - V_ROW) {
    if (new_left) join_on_left<V, V_ROW>(partials.left[V_ROW], fast.join_left[V_ROW], partials.joined[V_ROW]);
    add_products<V, 0, V_ROW, V_ROW + 1, N>(partials.joined[V_ROW], partials.right[V_ROW], sum);
  } else {
    if (V_ROW <= renewal.right_up_to) {
      join_on_right<V, N, V_ROW>(partials.right[V_ROW], fast.join_right[V_ROW], partials.joined[V_ROW]);
    }
    add_products<V, V_ROW + 1, N, 0, V_ROW>(partials.joined[V_ROW], partials.left[V_ROW], sum);
  }
}

template <typename V, int LANES, int N, int... BEFORE_V>
EXPANSION_INLINE void add_join_rows(std::integer_sequence<int, BEFORE_V...>, const Places<V> &places,
                                    const FastColumns<V> &fast, Partials<V> &partials, const Renewal &renewal,
                                    V &sum) {
  (add_join_row<V, LANES, N, BEFORE_V + 1>(places, fast, partials, renewal, sum), ...);
}

// The block's products, each with the sign of its arrangement of the fast
// columns relative to the block's order of the rest. Above u the rest sits at
// its own places, between u and v one place on.
template <typename V, int LANES, int N>
EXPANSION_INLINE void add_block(const Places<V> &places, const FastColumns<V> &fast, Partials<V> &partials,
                                const Renewal &renewal, V &sum) {
  set_up_right<V, LANES, N>(places, fast, partials, renewal.right_up_to);
  add_join_rows<V, LANES, N>(std::make_integer_sequence<int, N - 2>{}, places, fast, partials, renewal, sum);
}

EXPANSION_INLINE Tail first_tail(int rest_size) {
  Tail tail{{0, 1, 2}, rest_size < TAIL ? rest_size : TAIL};
  return tail;
}

EXPANSION_INLINE bool tail_repeats_a_slot(const Tail &tail) {
  for (int i = 0; i < tail.size; ++i) {
    for (int j = i + 1; j < tail.size; ++j) {
      if (tail.slots[i] == tail.slots[j]) return true;
    }
  }
  return false;
}

// The next choice of distinct slots, counting like an odometer; false after
// the last.
EXPANSION_INLINE bool next_tail(Tail &tail, int rest_size) {
  do {
    int digit = tail.size - 1;
    while (digit >= 0 && tail.slots[digit] == rest_size - 1) tail.slots[digit--] = 0;
    if (digit < 0) return false;
    ++tail.slots[digit];
  } while (tail_repeats_a_slot(tail));
  return true;
}

// The slots the tail leaves, in increasing order, then the tail; true when
// that order of the rest is odd.
EXPANSION_INLINE bool lane_order(const Tail &tail, int rest_size, std::array<int, MAX_REST> &order) {
  int placed = 0;
  for (int slot = 0; slot < rest_size; ++slot) {
    bool in_tail = false;
    for (int i = 0; i < tail.size; ++i) in_tail = in_tail || tail.slots[i] == slot;
    if (!in_tail) order[placed++] = slot;
  }
  for (int i = 0; i < tail.size; ++i) order[placed++] = tail.slots[i];
  int inversions = 0;
  for (int i = 0; i < rest_size; ++i) {
    for (int j = i + 1; j < rest_size; ++j) inversions += order[i] > order[j] ? 1 : 0;
  }
  return inversions % 2 == 1;
}

// Fills the batch from the tail on, one lane per tail; spare lanes get zeros.
// False when no tail is left for a next batch.
template <typename V, int LANES, int N>
EXPANSION_INLINE bool fill_batch(const SquareMatrix &matrix, Tail &tail, Batch<V> &batch) {
  constexpr int REST = N - FAST;
  bool more = true;
  for (int lane = 0; lane < LANES; ++lane) {
    std::array<int, MAX_REST> order{};
    const bool odd = more && lane_order(tail, REST, order);
    store_lane<V>(batch.sign, lane, more ? negated_if(odd, 1) : 0);
    for (int slot = 0; slot < REST; ++slot) {
      for (int row = 0; row < N; ++row) {
        store_lane<V>(batch.rest[slot][row], lane, more ? element(matrix, row, FAST + order[slot]) : 0);
      }
    }
    if (more) more = next_tail(tail, REST);
  }
  return more;
}

// Every order of the places before the tail, by plain changes; the blocks'
// signs alternate with them.
template <typename V, int LANES, int N>
EXPANSION_INLINE void add_batch(const Batch<V> &batch, const FastColumns<V> &fast, Partials<V> &partials,
                                V &total) {
  constexpr int REST = N - FAST;
  constexpr int WALKED = REST > TAIL ? REST - TAIL : 0;
  Places<V> places{};
  for (int slot = 0; slot < REST; ++slot) places[slot] = &batch.rest[slot];
  PlainChanges<MAX_REST> walk = first_plain_change<MAX_REST>();
  std::array<V, 2> by_parity{};
  const std::uint32_t orders = factorial(WALKED);
  Renewal renewal{N - 2, 1};
  for (std::uint32_t visited = 0;;) {
    add_block<V, LANES, N>(places, fast, partials, renewal, by_parity[visited % 2]);
    if (++visited == orders) break;
    const int first_swapped = next_plain_change(walk, places, WALKED);
    renewal = Renewal{first_swapped + 2, first_swapped + 2};
  }
  total += (by_parity[0] - by_parity[1]) * batch.sign;
}

template <typename V, int LANES, int N>
EXPANSION_ORDER std::uint32_t expansion_of_order(const SquareMatrix &matrix) {
  FastColumns<V> fast;
  set_up_fast_columns<V, LANES, N>(matrix, fast);
  Batch<V> batch;
  Partials<V> partials;
  splat<V, LANES>(partials.above[0], 1);
  V total{};
  Tail tail = first_tail(N - FAST);
  for (bool more = true; more;) {
    more = fill_batch<V, LANES, N>(matrix, tail, batch);
    add_batch<V, LANES, N>(batch, fast, partials, total);
  }
  return lane_total<V, LANES>(total);
}

// Orders 3 to MAX_EXPANSION_ORDER.
template <typename V, int LANES>
EXPANSION_INLINE std::uint32_t expansion_in_blocks(const SquareMatrix &matrix, int n) {
  switch (n) {
    case 3: return expansion_of_order<V, LANES, 3>(matrix);
    case 4: return expansion_of_order<V, LANES, 4>(matrix);
    case 5: return expansion_of_order<V, LANES, 5>(matrix);
    case 6: return expansion_of_order<V, LANES, 6>(matrix);
    case 7: return expansion_of_order<V, LANES, 7>(matrix);
    case 8: return expansion_of_order<V, LANES, 8>(matrix);
    case 9: return expansion_of_order<V, LANES, 9>(matrix);
    case 10: return expansion_of_order<V, LANES, 10>(matrix);
    case 11: return expansion_of_order<V, LANES, 11>(matrix);
    default: return expansion_of_order<V, LANES, 12>(matrix);
  }
}

}  // namespace
}  // namespace expansion_blocks
