// Keeps a product as a value of its own. Without it an optimiser may add the
// right factors of products that share a left one and multiply once, and then
// not every product of the expansion is formed. Vector forms specialise it.
#pragma once

template <typename V>
[[gnu::always_inline]] inline void keep_formed(V &product) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__aarch64__))
  __asm__("" : "+r"(product));
#else
  (void)product;
#endif
}
