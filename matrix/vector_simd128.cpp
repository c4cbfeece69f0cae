// The vector form for WebAssembly: four 32-bit lanes in a SIMD128 value, one
// block per lane. The web build compiles this file with -msimd128 into a
// module of its own, which the page loads only where the browser validates
// SIMD; so within that module the form is always available.
#include <cstdint>

#include "matrix/determinant_methods.h"

#if !defined(__GNUC__) || !defined(__wasm_simd128__)
#error "the SIMD128 form needs Clang targeting WebAssembly with -msimd128"
#endif

#define EXPANSION_INLINE [[gnu::always_inline]] inline
#define EXPANSION_ORDER [[gnu::noinline]]
#include "matrix/formed_product.h"

namespace {

constexpr int LANES = 4;
using FourLanes = std::uint32_t __attribute__((vector_size(LANES * sizeof(std::uint32_t))));

}  // namespace

// WebAssembly has one class of values for asm statements, "r", which holds a
// v128 too, so the general barrier of formed_product.h keeps these products
// apart as well.

#include "matrix/expansion_blocks.h"

bool vector_expansion_available() { return true; }

std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  if (n == 2) return two_by_two_expansion(matrix);
  return expansion_blocks::expansion_in_blocks<FourLanes, LANES>(matrix, n, batches);
}
