// The one place that chooses the form of the expansion for this processor.
#include <cstdint>

#include "matrix/determinant_methods.h"

namespace {

// Below this order the vector forms have too few blocks to fill their lanes.
constexpr int SMALLEST_VECTOR_ORDER = 7;

}  // namespace

std::uint32_t permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  if (n >= SMALLEST_VECTOR_ORDER && vector_expansion_available()) return vector_permutation_expansion(matrix, n, batches);
  return scalar_permutation_expansion(matrix, n, batches);
}
