// Keeps a product as a value of its own. Without it an optimiser may add the
// right factors of products that share a left one and multiply once, and then
// not every product of the expansion is formed. An empty asm statement that
// may change the value in its register hides it from the optimiser; each
// vector form specialises this for its register class.
#pragma once

// GCC and Clang (Emscripten's too) know asm statements; with another compiler
// the build warns that products may merge.
template <typename Lanes>
[[gnu::always_inline]] inline void keep_formed(Lanes &product) {
#if defined(__GNUC__)
  __asm__("" : "+r"(product));
#else
  (void)product;
#endif
}
