// The processor's features as the compiler's built-ins report them; false
// where a compiler or processor has no such question.
#include "tests/processor_features.h"

bool processor_has_avx2() {
#if defined(__GNUC__) && defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

bool processor_runs_vector_form() {
#if defined(__aarch64__)
  return true;
#else
  return processor_has_avx2();
#endif
}
