// The program in a web page: its console reads what the page's line editor
// hands over and writes to the page's terminal. A read that finds nothing
// typed yields to the browser until the visitor sends a line.
#include <emscripten/emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <streambuf>

#include "app/menu.h"
#include "matrix/determinant_methods.h"

// The page's side lives in page.js; these only pass bytes across.
// Bytes typed and sent but not read yet, so a read knows whether it may wait.
EM_JS(int, page_typed_count, (), { return Module.pageTypedCount(); });
// Waits for the next line sent; 0 bytes is the end of the input.
EM_ASYNC_JS(int, page_read, (char *buffer, int capacity), {
  const bytes = await Module.pageRead(capacity);
  HEAPU8.set(bytes, buffer);
  return bytes.length;
});
EM_JS(void, page_write, (const char *data, int size), { Module.pageWrite(HEAPU8.slice(data, data + size)); });
// Lets the browser paint what was written, as before a long computation.
EM_ASYNC_JS(void, page_show, (), { await Module.pageShow(); });
EM_JS(void, page_run_ended, (), { Module.pageRunEnded(); });

// The console's input: one sent line per read, as a terminal in canonical
// mode delivers it.
struct PageInput : std::streambuf {
  std::array<char, 256> buffer{};

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    const int count = page_read(buffer.data(), static_cast<int>(buffer.size()));
    if (count <= 0) return traits_type::eof();
    setg(buffer.data(), buffer.data(), buffer.data() + count);
    return traits_type::to_int_type(*gptr());
  }
  std::streamsize showmanyc() override { return page_typed_count(); }
};

// The console's output: kept until a flush, then shown at once.
struct PageOutput : std::streambuf {
  std::array<char, 4096> buffer{};
  PageOutput() { setp(buffer.data(), buffer.data() + buffer.size()); }

 protected:
  void pass_on() {
    if (pptr() > pbase()) page_write(pbase(), static_cast<int>(pptr() - pbase()));
    setp(buffer.data(), buffer.data() + buffer.size());
  }
  int_type overflow(int_type c) override {
    pass_on();
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  int sync() override {
    pass_on();
    page_show();
    return 0;
  }
};

// One round of the page's warm-up, which it runs in an instance of its own
// whenever it is idle after loading: the engine starts each function
// unoptimised and optimises it between calls, never during one, so a
// visitor's first large matrix would otherwise run mostly unoptimised. Each
// order's first batches are enough, and take a few milliseconds even at
// order 12. The form is the one this module's runs use.
extern "C" EMSCRIPTEN_KEEPALIVE std::uint32_t warm_up_expansion() {
  constexpr int BATCHES = 2;
  SquareMatrix matrix{};
  std::uint32_t total = 0;
  for (int n = 2; n <= MAX_EXPANSION_ORDER; ++n) {
    matrix[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(n - 1)] = 1;
    total += permutation_expansion(matrix, n, BATCHES);
  }
  return total;
}

int main() {
  static PageInput input;
  static PageOutput output;
  std::istream in(&input);
  std::ostream out(&output);
  Console console{in, out};
  run_menu(console);
  out.flush();
  page_run_ended();
  return 0;
}
