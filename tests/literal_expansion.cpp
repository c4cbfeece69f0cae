// A literal reading of the permutation expansion: every permutation found by
// the plain-changes search, and its product formed from all n factors.
#include "tests/literal_expansion.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

using PermutationTable = std::array<std::int32_t, 14>;

std::uint32_t literal_product(const SquareMatrix &matrix, const PermutationTable &arrangement, int n) {
  std::uint32_t product = 1;
  for (int row = 1; row <= n; ++row) {
    product *= matrix[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(arrangement[row] - 1)];
  }
  return product;
}

}  // namespace

std::uint32_t literal_expansion(const SquareMatrix &matrix, int n) {
  PermutationTable a = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  PermutationTable c = {};
  PermutationTable o = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::uint32_t count = 1;
  for (std::uint32_t factor = 1; factor <= static_cast<std::uint32_t>(n); ++factor) count *= factor;
  std::uint32_t sum = 0;
  std::uint32_t flag = 1;
  while (count != 0) {
    std::int32_t s = 0;
    std::int32_t k = 1;
    for (std::int32_t j = n;; --j) {
      const std::int32_t q = c[j] + o[j];
      c[j] = q;
      if (q == j) {
        o[j] = -1;
      } else if (q == 0) {
        o[j] = 1;
        ++s;
      } else {
        k = q;
        break;
      }
      if (j <= 2) break;
    }
    std::swap(a[k + s], a[k + s + 1]);
    const std::uint32_t product = literal_product(matrix, a, n);
    sum = flag == 1 ? sum - product : sum + product;
    flag = 1 - flag;
    --count;
  }
  return sum;
}
