// The counting allocator: every global operator new, and on glibc without a
// sanitizer malloc too, replaced by one that counts and hands on to the C
// library.
#include "tests/counting_allocator.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> new_calls{0};
std::atomic<std::size_t> malloc_calls{0};

void *counted_new(std::size_t size) noexcept {
  new_calls.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void *counted_aligned_new(std::size_t size, std::align_val_t alignment) noexcept {
  new_calls.fetch_add(1, std::memory_order_relaxed);
  const std::size_t align = static_cast<std::size_t>(alignment);
  void *block = nullptr;
  if (posix_memalign(&block, align < sizeof(void *) ? sizeof(void *) : align, size == 0 ? 1 : size) != 0)
    return nullptr;
  return block;
}

void *throwing(void *block) {
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void *operator new(std::size_t size) { return throwing(counted_new(size)); }
void *operator new[](std::size_t size) { return throwing(counted_new(size)); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return counted_new(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return counted_new(size); }
void *operator new(std::size_t size, std::align_val_t alignment) {
  return throwing(counted_aligned_new(size, alignment));
}
void *operator new[](std::size_t size, std::align_val_t alignment) {
  return throwing(counted_aligned_new(size, alignment));
}
void *operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept {
  return counted_aligned_new(size, alignment);
}
void *operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept {
  return counted_aligned_new(size, alignment);
}

void operator delete(void *block) noexcept { std::free(block); }
void operator delete[](void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }
void operator delete[](void *block, std::size_t) noexcept { std::free(block); }
void operator delete(void *block, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete(void *block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void *block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void *block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void *block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void *block, std::align_val_t, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete[](void *block, std::align_val_t, const std::nothrow_t &) noexcept { std::free(block); }

#ifdef COUNTS_MALLOC
// glibc lets a program replace malloc; these count and hand on to glibc's own
// allocator, so blocks from either side may be freed by the other.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);

void *malloc(std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
void *realloc(void *block, std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}
void *memalign(std::size_t alignment, std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(alignment, size);
}
void *aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  if (alignment == 0 || (alignment & (alignment - 1)) != 0) {
    errno = EINVAL;
    return nullptr;
  }
  return __libc_memalign(alignment, size);
}
int posix_memalign(void **block, std::size_t alignment, std::size_t size) noexcept {
  malloc_calls.fetch_add(1, std::memory_order_relaxed);
  if (alignment % sizeof(void *) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void *aligned = __libc_memalign(alignment, size);
  if (aligned == nullptr) return ENOMEM;
  *block = aligned;
  return 0;
}
}
#endif

Counts counts_now() {
  return {new_calls.load(std::memory_order_relaxed), malloc_calls.load(std::memory_order_relaxed)};
}

Counts counted_since(Counts start) {
  const Counts now = counts_now();
  return {now.news - start.news, now.mallocs - start.mallocs};
}
