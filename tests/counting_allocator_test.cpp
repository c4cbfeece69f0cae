// The counting allocator itself: every allocation form must be seen, or the
// test of whole runs would pass for a program that allocates.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <new>
#include <string>

#include "tests/counting_allocator.h"

namespace {

struct alignas(64) Wide {
  char bytes[64];
};

void *volatile kept;  // stops the compiler from leaving out a new and delete pair

struct FormCase {
  const char *name;
  void (*allocate)();
  std::size_t news;
  std::size_t mallocs;  // checked where malloc is counted
};

const FormCase form_cases[] = {
    {"new", [] { int *p = new int(1); kept = p; delete p; }, 1, 1},
    {"new[]", [] { int *p = new int[4]; kept = p; delete[] p; }, 1, 1},
    {"nothrow new", [] { int *p = new (std::nothrow) int(1); kept = p; delete p; }, 1, 1},
    {"nothrow new[]", [] { int *p = new (std::nothrow) int[4]; kept = p; delete[] p; }, 1, 1},
    {"aligned new", [] { Wide *p = new Wide; kept = p; delete p; }, 1, 1},
    {"aligned new[]", [] { Wide *p = new Wide[2]; kept = p; delete[] p; }, 1, 1},
    {"aligned nothrow new", [] { Wide *p = new (std::nothrow) Wide; kept = p; delete p; }, 1, 1},
    {"aligned nothrow new[]", [] { Wide *p = new (std::nothrow) Wide[2]; kept = p; delete[] p; }, 1, 1},
    {"a growing string", [] { std::string s(100, 'x'); kept = s.data(); }, 1, 1},
    {"malloc", [] { kept = std::malloc(8); std::free(kept); }, 0, 1},
    {"calloc", [] { kept = std::calloc(2, 8); std::free(kept); }, 0, 1},
    {"realloc", [] { kept = std::realloc(nullptr, 8); std::free(kept); }, 0, 1},
    {"aligned_alloc", [] { kept = std::aligned_alloc(64, 64); std::free(kept); }, 0, 1},
    {"posix_memalign", [] { void *p = nullptr; if (posix_memalign(&p, 64, 64) == 0) kept = p; std::free(p); }, 0, 1},
};

TEST(AllocationCounters, SeeEveryForm) {
  for (const FormCase &form : form_cases) {
    const Counts start = counts_now();
    form.allocate();
    const Counts used = counted_since(start);
    EXPECT_EQ(used.news, form.news) << form.name;
#ifdef COUNTS_MALLOC
    EXPECT_EQ(used.mallocs, form.mallocs) << form.name;
#endif
  }
}

// Says so when only operator new can be counted, rather than passing quietly.
TEST(AllocationCounters, MallocIsCountedWhereTheSanitizersAllowIt) {
#ifdef COUNTS_MALLOC
  EXPECT_GT(counts_now().mallocs, 0u) << "the start-up of any program calls malloc";
#else
  GTEST_SKIP() << "malloc belongs to the sanitizer runtime here; only operator new is counted";
#endif
}

}  // namespace
