// No vector form: for processors and compilers without one, and builds
// configured with -DDETERMINANT_VECTOR=OFF. Its entry point gives the scalar
// form's value, so a caller that ignores availability still gets the right one.
#include <cstdint>

#include "matrix/determinant_methods.h"

bool vector_expansion_available() { return false; }

std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  return scalar_permutation_expansion(matrix, n, batches);
}
