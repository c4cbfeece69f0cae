// Bird's division-free determinant (2011): only additions and multiplications,
// so it runs in the same ring of integers modulo 2^32 as the permutation
// expansion and gives the same value in O(n^4) instead of O(n!).
#include <array>
#include <cstddef>
#include <cstdint>

#include "matrix/determinant_methods.h"

namespace {

using Diagonal = std::array<std::uint32_t, MAX_DETERMINANT_ORDER>;

// Minus the sum of the diagonal entries after each place.
Diagonal negated_trailing_traces(const SquareMatrix &x, std::size_t n) {
  Diagonal diagonal{};
  std::uint32_t trailing = 0;
  for (std::size_t i = n; i-- > 0;) {
    diagonal[i] = 0u - trailing;
    trailing += x[i][i];
  }
  return diagonal;
}

// mu(x) * a, where mu(x) is x with its strict lower triangle zeroed and its
// diagonal replaced by the negated trailing traces.
void step(const SquareMatrix &x, const SquareMatrix &a, std::size_t n, SquareMatrix &result) {
  const Diagonal diagonal = negated_trailing_traces(x, n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) result[i][j] = diagonal[i] * a[i][j];
    for (std::size_t k = i + 1; k < n; ++k) {
      const std::uint32_t factor = x[i][k];
      for (std::size_t j = 0; j < n; ++j) result[i][j] += factor * a[k][j];
    }
  }
}

}  // namespace

std::uint32_t division_free_determinant(const SquareMatrix &matrix, int n) {
  const auto order = static_cast<std::size_t>(n);
  SquareMatrix x = matrix;
  SquareMatrix next{};
  for (int round = 1; round < n; ++round) {
    step(x, matrix, order, next);
    x = next;
  }
  return n % 2 == 0 ? 0u - x[0][0] : x[0][0];
}
