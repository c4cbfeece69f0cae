// The permutation expansion on eight 32-bit lanes with AVX2, one block per
// lane, where the compiler and the processor allow it; elsewhere the vector
// entry point is the scalar one and reports itself unavailable.
#include <cstdint>

#include "matrix/determinant_methods.h"

#if defined(__GNUC__) && defined(__x86_64__) && !defined(DETERMINANT_NO_VECTOR)

#define EXPANSION_INLINE [[gnu::always_inline, gnu::target("avx2")]] inline
#define EXPANSION_ORDER [[gnu::noinline, gnu::target("avx2")]]
#include "matrix/expansion_blocks.h"
#include "matrix/formed_product.h"

namespace {

constexpr int LANES = 8;
using EightLanes = std::uint32_t __attribute__((vector_size(LANES * sizeof(std::uint32_t))));

}  // namespace

// A product stays in its register, so no two products merge.
template <>
[[gnu::always_inline, gnu::target("avx2")]] inline void keep_formed<EightLanes>(EightLanes &product) {
  __asm__("" : "+x"(product));
}

bool vector_expansion_available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// AVX2 code stays inside this function and the functions of each order it
// calls, so it runs only where the processor has it.
[[gnu::target("avx2")]] std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n) {
  if (n == 2) return two_by_two_expansion(matrix);
  return expansion_blocks::expansion_in_blocks<EightLanes, LANES>(matrix, n);
}

#else

bool vector_expansion_available() { return false; }

std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n) {
  return scalar_permutation_expansion(matrix, n);
}

#endif
