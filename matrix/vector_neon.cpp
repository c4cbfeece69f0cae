// The vector form for 64-bit ARM: four 32-bit lanes in a NEON register, one
// block per lane. Every AArch64 processor has NEON, so the form needs no
// question at run time. The build compiles this file only for aarch64 with
// GCC or Clang.
#include <cstdint>

#include "matrix/determinant_methods.h"

#if !defined(__GNUC__) || !defined(__aarch64__)
#error "the NEON form needs GCC or Clang targeting aarch64"
#endif

#define EXPANSION_INLINE [[gnu::always_inline]] inline
#define EXPANSION_ORDER [[gnu::noinline]]
#include "matrix/formed_product.h"

namespace {

constexpr int LANES = 4;
using FourLanes = std::uint32_t __attribute__((vector_size(LANES * sizeof(std::uint32_t))));

}  // namespace

// "w": a product stays in its NEON register, so no two products merge.
template <>
[[gnu::always_inline]] inline void keep_formed<FourLanes>(FourLanes &product) {
  __asm__("" : "+w"(product));
}

#include "matrix/expansion_blocks.h"

bool vector_expansion_available() { return true; }

std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  if (n == 2) return two_by_two_expansion(matrix);
  return expansion_blocks::expansion_in_blocks<FourLanes, LANES>(matrix, n, batches);
}
