// The stop for an order the expansion's template does not serve, in every
// build type: quietly evaluating another order would give a wrong value.
#include <cstdio>
#include <cstdlib>

#include "matrix/determinant_methods.h"

[[noreturn]] void stop_at_unexpanded_order(int n) {
  std::fprintf(stderr, "determinant: internal error: the expansion was asked for order %d; it serves 3 to %d\n", n,
               EXPANSION_LIMIT);
  std::abort();
}
