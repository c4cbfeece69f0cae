// The permutation expansion on plain 32-bit integers, one block at a time:
// the form every processor runs.
#include <cstdint>

#include "matrix/determinant_methods.h"

#define EXPANSION_INLINE [[gnu::always_inline]] inline
#define EXPANSION_ORDER [[gnu::noinline]]
#include "matrix/expansion_blocks.h"

std::uint32_t two_by_two_expansion(const SquareMatrix &matrix) {
  return matrix[0][0] * matrix[1][1] - matrix[0][1] * matrix[1][0];
}

std::uint32_t scalar_permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  if (n == 2) return two_by_two_expansion(matrix);
  return expansion_blocks::expansion_in_blocks<std::uint32_t, 1>(matrix, n, batches);
}
