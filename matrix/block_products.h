// One block's products, written once over the element type: std::uint32_t
// holds one block, a vector of 32-bit lanes one block per lane. How the
// blocks are chosen, and their signs, is in expansion_blocks.h; the terms are
// those of doc/expansion.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "matrix/determinant_methods.h"
#include "matrix/formed_product.h"

// Without these every function would be compiled for the including file's
// default instruction set, or be inlined where it must not be.
#if !defined(EXPANSION_INLINE) || !defined(EXPANSION_ORDER)
#error "define EXPANSION_INLINE (always inline) and EXPANSION_ORDER (never inline), each with the form's target"
#endif

namespace expansion_blocks {
namespace {

inline constexpr int FAST = 3;
inline constexpr int MAX_REST = MAX_EXPANSION_ORDER - FAST;

// A one-lane type is the scalar form, or the tests' counting lane.
template <typename Lanes>
inline constexpr int LANE_COUNT = static_cast<int>(sizeof(Lanes) / sizeof(std::uint32_t));

template <typename T>
using ByRow = std::array<T, MAX_EXPANSION_ORDER>;
template <typename T>
using ByFast = std::array<T, FAST>;
template <typename T>
using ByPair = std::array<ByFast<T>, FAST>;

// What depends only on the matrix, the same in every lane.
template <typename Lanes>
struct FastColumns {
  std::array<ByRow<Lanes>, FAST> signed_element;  // [a][r]: column a in row r, negated in odd rows
  // Fast column b's element in join row v, signed by the arrangement (a, b, c)
  // and negated once more for even v: [v][a][b] knows the column above v,
  // [v][b][c] the one below.
  ByRow<ByPair<Lanes>> join_left;
  ByRow<ByPair<Lanes>> join_right;
};

// Each place of the rest points at the rows of the column it holds.
template <typename Lanes>
using Places = std::array<const ByRow<Lanes> *, MAX_REST>;

// The partial products of a block by join row v. The right ones hold only
// the places from v - 1 on and the left ones only those up to v - 2, so after
// a swap of places p and p + 1 a block keeps the last block's right ones above
// v = p + 2 and its left ones below it.
template <typename Lanes>
struct Partials {
  ByRow<ByRow<ByFast<Lanes>>> right;  // [v][w][c]: rows below v, column c in row w
  ByRow<Lanes> below_w;               // [v]: rows below w = v + 1, three places on
  ByRow<ByRow<ByFast<Lanes>>> left;   // [v][u][a]: rows above v, column a in row u
  ByRow<Lanes> above;                 // [v]: rows above v - 1, at their own places
  // Row v's element joined to the shorter side: [v][u][a][b] on the left,
  // [v][w][b][c] on the right.
  ByRow<ByRow<ByPair<Lanes>>> joined;
};

// The join rows whose partial products a block computes afresh: on the right
// up to `right_up_to`, on the left from `left_from` on.
struct Renewal {
  int right_up_to;
  int left_from;
};

// Through memory: inserting lanes into a vector register one by one is slow
// with some compilers.
template <typename Lanes>
EXPANSION_INLINE void store_lane(Lanes &lanes, int lane, std::uint32_t value) {
  std::memcpy(reinterpret_cast<unsigned char *>(&lanes) + static_cast<std::size_t>(lane) * sizeof value, &value,
              sizeof value);
}

template <typename Lanes>
EXPANSION_INLINE void splat(Lanes &lanes, std::uint32_t value) {
  for (int lane = 0; lane < LANE_COUNT<Lanes>; ++lane) store_lane(lanes, lane, value);
}

// The element of row `row` at place `place` of the rest, in every lane.
template <typename Lanes>
EXPANSION_INLINE const Lanes &rest_element(const Places<Lanes> &places, int place, int row) {
  return (*places[place])[row];
}

// Below the row v the rest sits two places on between v and w, three below w.
template <typename Lanes, int N>
EXPANSION_INLINE void set_up_right(const Places<Lanes> &places, const FastColumns<Lanes> &fast,
                                   Partials<Lanes> &partials, int up_to) {
  for (int v = N - 2; v >= 1; --v) {
    if (v > up_to) continue;
    const int w = v + 1;
    if (w < N - 1) {
      partials.below_w[v] = partials.below_w[v + 1] * rest_element(places, w - 2, w + 1);
    } else {
      splat(partials.below_w[v], 1);
    }
    for (int c = 0; c < FAST; ++c) partials.right[v][w][c] = fast.signed_element[c][w] * partials.below_w[v];
    if (w < N - 1) {
      const Lanes between = rest_element(places, v - 1, v + 1);
      for (int x = w + 1; x < N; ++x) {
        for (int c = 0; c < FAST; ++c) partials.right[v][x][c] = partials.right[v + 1][x][c] * between;
      }
    }
  }
}

// Row v's element joins the left side when it has fewer products than the
// right. JOIN_ROW is v; as a constant it lets every loop below unroll.
template <typename Lanes, int JOIN_ROW>
EXPANSION_INLINE void join_on_left(const ByRow<ByFast<Lanes>> &left, const ByPair<Lanes> &join,
                                   ByRow<ByPair<Lanes>> &joined) {
  for (int a = 0; a < FAST; ++a) {
    for (int b = 0; b < FAST; ++b) {
      if (a == b) continue;
      for (int u = 0; u < JOIN_ROW; ++u) joined[u][a][b] = left[u][a] * join[a][b];
    }
  }
}

template <typename Lanes, int N, int JOIN_ROW>
EXPANSION_INLINE void join_on_right(const ByRow<ByFast<Lanes>> &right, const ByPair<Lanes> &join,
                                    ByRow<ByPair<Lanes>> &joined) {
  for (int b = 0; b < FAST; ++b) {
    for (int c = 0; c < FAST; ++c) {
      if (b == c) continue;
      for (int w = JOIN_ROW + 1; w < N; ++w) joined[w][b][c] = join[b][c] * right[w][c];
    }
  }
}

// Row v's products: each joined partial product (by the outer row, holding
// two neighbouring columns of the arrangement) times a plain one of the other
// side (by the inner row, holding the third). Two sums take turns, so no
// addition waits for the one before.
template <typename Lanes, int OUTER_FROM, int OUTER_TO, int INNER_FROM, int INNER_TO>
EXPANSION_INLINE void add_products(const ByRow<ByPair<Lanes>> &joined, const ByRow<ByFast<Lanes>> &other,
                                   Lanes &sum) {
  Lanes first{};
  Lanes second{};
  for (int p = 0; p < FAST; ++p) {
    for (int q = 0; q < FAST; ++q) {
      if (p == q) continue;
      const int third = FAST - p - q;
      for (int outer = OUTER_FROM; outer < OUTER_TO; ++outer) {
        const Lanes partial = joined[outer][p][q];
        for (int inner = INNER_FROM; inner < INNER_TO; ++inner) {
          Lanes product = partial * other[inner][third];
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
template <typename Lanes, int JOIN_ROW>
EXPANSION_INLINE void set_up_left(const Places<Lanes> &places, const FastColumns<Lanes> &fast,
                                  Partials<Lanes> &partials) {
  constexpr int NEWEST = JOIN_ROW - 1;
  ByRow<ByFast<Lanes>> &left = partials.left[JOIN_ROW];
  if constexpr (NEWEST > 0) {
    const Lanes between = rest_element(places, NEWEST - 1, NEWEST);
    for (int u = 0; u < NEWEST; ++u) {
      for (int a = 0; a < FAST; ++a) left[u][a] = partials.left[NEWEST][u][a] * between;
    }
  }
  for (int a = 0; a < FAST; ++a) left[NEWEST][a] = partials.above[NEWEST] * fast.signed_element[a][NEWEST];
}

template <typename Lanes, int N, int JOIN_ROW>
EXPANSION_INLINE void add_join_row(const Places<Lanes> &places, const FastColumns<Lanes> &fast,
                                   Partials<Lanes> &partials, const Renewal &renewal, Lanes &sum) {
  constexpr int NEWEST = JOIN_ROW - 1;
  const bool new_left = JOIN_ROW >= renewal.left_from;
  if (new_left) set_up_left<Lanes, JOIN_ROW>(places, fast, partials);
  // These rows hold one place more than the left products of row v.
  if constexpr (JOIN_ROW < N - 2) {
    if (JOIN_ROW + 1 >= renewal.left_from) {
      partials.above[JOIN_ROW] = partials.above[NEWEST] * rest_element(places, NEWEST, NEWEST);
    }
  }
  if constexpr (JOIN_ROW <= N - 1 - JOIN_ROW) {
    if (new_left) {
      join_on_left<Lanes, JOIN_ROW>(partials.left[JOIN_ROW], fast.join_left[JOIN_ROW], partials.joined[JOIN_ROW]);
    }
    add_products<Lanes, 0, JOIN_ROW, JOIN_ROW + 1, N>(partials.joined[JOIN_ROW], partials.right[JOIN_ROW], sum);
  } else {
    if (JOIN_ROW <= renewal.right_up_to) {
      join_on_right<Lanes, N, JOIN_ROW>(partials.right[JOIN_ROW], fast.join_right[JOIN_ROW],
                                        partials.joined[JOIN_ROW]);
    }
    add_products<Lanes, JOIN_ROW + 1, N, 0, JOIN_ROW>(partials.joined[JOIN_ROW], partials.left[JOIN_ROW], sum);
  }
}

template <typename Lanes, int N, int... BEFORE_JOIN_ROW>
EXPANSION_INLINE void add_join_rows(std::integer_sequence<int, BEFORE_JOIN_ROW...>, const Places<Lanes> &places,
                                    const FastColumns<Lanes> &fast, Partials<Lanes> &partials,
                                    const Renewal &renewal, Lanes &sum) {
  (add_join_row<Lanes, N, BEFORE_JOIN_ROW + 1>(places, fast, partials, renewal, sum), ...);
}

// The block's products, each with the sign of its arrangement of the fast
// columns relative to the block's order of the rest. Above u the rest sits at
// its own places, between u and v one place on.
template <typename Lanes, int N>
EXPANSION_INLINE void add_block(const Places<Lanes> &places, const FastColumns<Lanes> &fast,
                                Partials<Lanes> &partials, const Renewal &renewal, Lanes &sum) {
  set_up_right<Lanes, N>(places, fast, partials, renewal.right_up_to);
  add_join_rows<Lanes, N>(std::make_integer_sequence<int, N - 2>{}, places, fast, partials, renewal, sum);
}

}  // namespace
}  // namespace expansion_blocks
