// Counts every allocation the test program makes: global operator new
// always, and malloc and its kin where glibc lets a program replace them and
// no sanitizer owns them.
#pragma once

#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define UNDER_SANITIZER 1
#endif

// A sanitizer owns malloc itself, so only operator new can be counted there.
#if defined(__GLIBC__) && !defined(UNDER_SANITIZER)
#define COUNTS_MALLOC 1
#endif

struct Counts {
  std::size_t news = 0;
  std::size_t mallocs = 0;
};

Counts counts_now();
Counts counted_since(Counts start);
