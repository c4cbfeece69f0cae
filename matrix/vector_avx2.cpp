// The vector form for x86-64: eight 32-bit lanes with AVX2, one block per
// lane, used where the processor has AVX2. The build compiles this file only
// for x86-64 with GCC or Clang (mingw-w64 too), whose target attributes let
// AVX2 code live beside code for any x86-64 processor.
#include <cstdint>

#include "matrix/determinant_methods.h"

#if !defined(__GNUC__) || !defined(__x86_64__)
#error "the AVX2 form needs GCC or Clang targeting x86-64"
#endif

#define EXPANSION_INLINE [[gnu::always_inline, gnu::target("avx2")]] inline
#define EXPANSION_ORDER [[gnu::noinline, gnu::target("avx2")]]
#include "matrix/formed_product.h"

namespace {

constexpr int LANES = 8;
using EightLanes = std::uint32_t __attribute__((vector_size(LANES * sizeof(std::uint32_t))));

}  // namespace

// "x": a product stays in its AVX register, so no two products merge.
template <>
[[gnu::always_inline, gnu::target("avx2")]] inline void keep_formed<EightLanes>(EightLanes &product) {
  __asm__("" : "+x"(product));
}

#include "matrix/expansion_blocks.h"

bool vector_expansion_available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// AVX2 code stays inside this function and the functions of each order it
// calls, so it runs only where the processor has it.
[[gnu::target("avx2")]] std::uint32_t vector_permutation_expansion(const SquareMatrix &matrix, int n, int batches) {
  if (n == 2) return two_by_two_expansion(matrix);
  return expansion_blocks::expansion_in_blocks<EightLanes, LANES>(matrix, n, batches);
}
