// Shows that whole runs use no heap: every global operator new (and, on glibc
// without AddressSanitizer, malloc) is replaced by a counting one, and each run
// must allocate no more than a run where the user types 0 at the menu.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "app/block_options.h"
#include "app/command_line.h"
#include "app/menu.h"
#include "tests/counting_allocator.h"

namespace {

// Reads a text that lives elsewhere; reading never allocates.
class FixedInput : public std::streambuf {
 public:
  explicit FixedInput(std::string &text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

// Writes into storage sized up front. Running out is recorded rather than
// growing, which would be an allocation of the test's own.
class FixedOutput : public std::streambuf {
 public:
  explicit FixedOutput(std::vector<char> &storage) {
    setp(storage.data(), storage.data() + storage.size());
  }
  bool overflowed() const { return overflowed_; }
  std::string text() const { return std::string(pbase(), pptr()); }

 protected:
  int_type overflow(int_type) override {
    overflowed_ = true;
    return traits_type::eof();
  }

 private:
  bool overflowed_ = false;
};

// A fresh working directory holding the data file (when there is one) for
// the length of one run.
class DataDirectory {
 public:
  explicit DataDirectory(const char *data) {
    if (getcwd(previous_, sizeof previous_) == nullptr) return;
    std::snprintf(path_, sizeof path_, "%s", "/tmp/determinant-alloc-XXXXXX");
    if (mkdtemp(path_) == nullptr || chdir(path_) != 0) return;
    if (data != nullptr) {
      std::FILE *file = std::fopen("MatrixDataFile1.txt", "wb");
      if (file == nullptr) return;
      const std::string_view text(data);
      const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
      if (std::fclose(file) != 0 || !written) return;
    }
    ready_ = true;
  }
  ~DataDirectory() {
    std::remove("MatrixDataFile1.txt");
    if (chdir(previous_) == 0) rmdir(path_);
  }
  bool ready() const { return ready_; }

 private:
  char previous_[4096] = {};
  char path_[64] = {};
  bool ready_ = false;
};

struct RunResult {
  Counts counts;
  std::string output;
  bool overflowed = false;
};

// Everything the run reads and writes is set up before the counting starts
// and taken apart after it ends, so only the run's own allocations count.
// A request other than `run` evaluates blocks as the options do, with the
// complaints in the same output.
RunResult counted_run(std::string typed, CommandLine command = {}) {
  std::vector<char> storage(1 << 20);
  FixedInput input(typed);
  FixedOutput output(storage);
  std::istream in(&input);
  std::ostream out(&output);
  Console console{in, out};
  console.errors = &out;
  const Counts start = counts_now();
  if (command.request == Request::run)
    run_menu(console);
  else
    evaluate_blocks(command, console);
  const Counts used = counted_since(start);
  return {used, output.text(), output.overflowed()};
}

// The largest keyboard order; its expansion takes seconds in a release build
// and far longer under the sanitizers, where a smaller order has to do.
#ifdef UNDER_SANITIZER
constexpr int KEYBOARD_ORDER = 10;
constexpr const char *KEYBOARD_DETERMINANT = "3628800";  // 10!
#else
constexpr int KEYBOARD_ORDER = 12;
constexpr const char *KEYBOARD_DETERMINANT = "479001600";  // 12!
#endif

// An upper triangular matrix with 1 to n on the diagonal, whose determinant
// is n!, with the other elements of both signs so every table field is used.
std::string triangular_matrix(int order) {
  std::string text;
  for (int row = 1; row <= order; ++row) {
    for (int column = 1; column <= order; ++column) {
      const int value = column < row ? 0 : column == row ? row : (row * 7 + column * 3) % 19 - 9;
      text += std::to_string(value);
      text += column == order ? '\n' : ' ';
    }
  }
  return text;
}

std::string keyboard_run() {
  const std::string size = std::to_string(KEYBOARD_ORDER);
  return "k\n" + size + "x" + size + "\n" + triangular_matrix(KEYBOARD_ORDER) + "\n";
}

// Orders above 12 take the data file; 13! wraps to 1932053504 in 32 bits.
std::string data_file_with_orders_2_and_13() {
  return "A 2x2 and a 13x13\n[M202 -1, 2\n 3 +4]\nmore words\n[m1313\n" + triangular_matrix(13) + "]\n";
}

struct RunCase {
  const char *name;
  std::string typed;
  std::string data;  // the data file's text; no file when empty
  std::string shows;  // what the output must hold, so the run really happened
  CommandLine command = {};
};

std::vector<RunCase> run_cases() {
  const std::string two_blocks = data_file_with_orders_2_and_13();
  return {
      {"KeyboardLargestOrder", keyboard_run(), "",
       std::string("Determinant value of the matrix is  ") + KEYBOARD_DETERMINANT + "\n"},
      {"KeyboardRefusedAnswers", "x\nk\n13x2\n-1x1\n3X4\n2x2\n1 abc\n2 3 4\n\n", "",
       "Determinant value of the matrix is  -2\n"},
      {"KeyboardNotSquare", "K\n2x3\n1 2 3 4 5 6\n\n", "", "No determinant value for a matrix not square\n"},
      {"KeyboardOrderZero", "k\n0x0\n\n", "", "Determinant value of the matrix is  0\n"},
      {"KeyboardEndOfInput", "k\n2x2\n1 2", "", "last number\n"},
      {"DataFilePick", "f\n9\n1\n\n", two_blocks, "Determinant value of the matrix is  -10\n"},
      {"DataFileOrder13", "F\n2\n\n", two_blocks, "Determinant value of the matrix is  1932053504\n"},
      {"DataFileAbort", "f\n0\n\n", two_blocks, "(zero to abort):\n"},
      {"DataFileMissing", "f\n\n", "", "Cannot find file MatrixDataFile1.txt\n"},
      {"DataFileNotMarked", "f\n1\n\n", "[ M202 1 2 3 4]", "not marked 'M'"},
      {"DataFileNoClosing", "f\n1\n\n", "[M202 1 2 3 4", "has no closing ']'"},
      {"DataFileTooLong", "f\n1\n\n", "[M202 1 2 3 4" + std::string(1000, ' ') + "]", "longer than 1000"},
      {"DataFileTooFew", "f\n1\n\n", "[M202 1 2 3]", "fewer numbers"},
      {"DataFileTooLarge", "f\n1\n\n", "[M9999]", "larger than 999"},
      {"DataFileOutOfRange", "f\n1\n\n", "[M101 2147483648]", "out of range"},
      {"DataFileDash", "f\n1\n\n", "[M202 3 \xE2\x80\x93" "1 4 2]", "a dash that is not the minus sign"},
      {"DataFileMissingReason", "f\n\n", "", "determinant: MatrixDataFile1.txt: No such file or directory\n"},
      {"MenuEndOfInput", "", "", "To exit program type 0 (zero)\n"},
      {"OptionAll", "", two_blocks, "1\t-10\n2\t1932053504\n", {Request::all}},
      {"OptionAllRefusals", "", "[ M202][M202 1 2 3][M101 5][M][M202 3 \x96" "1 4 2][M203 1 2 3 4 5 6]",
       "block 6: No determinant", {Request::all}},
      {"OptionBlock", "", two_blocks, "1932053504\n", {Request::block, 2}},
      {"OptionBlockMissing", "", two_blocks, "no block 9 (it has 2)", {Request::block, 9}},
      {"OptionFileMissing", "", "", "No such file or directory", {Request::block, 1, "none.txt"}},
  };
}

// Failures name the run rather than dumping its bytes.
void PrintTo(const RunCase &c, std::ostream *out) { *out << c.name; }

// The C library keeps its own record of an open file (glibc allocates it in
// fopen and frees it in fclose): that is the library's, not the run's. A run
// that opens the data file may use what one unbuffered open, read and close
// of it costs, measured here, and nothing more.
Counts data_file_stream_cost() {
  const Counts start = counts_now();
  std::FILE *file = std::fopen("MatrixDataFile1.txt", "r");
  if (file != nullptr) {
    std::setvbuf(file, nullptr, _IONBF, 0);
    char bytes[64];
    if (std::fread(bytes, 1, sizeof bytes, file) > 0) std::rewind(file);
    std::fclose(file);
  }
  return counted_since(start);
}

class NoHeap : public testing::TestWithParam<RunCase> {};

TEST_P(NoHeap, RunAllocatesNoMoreThanTheRunThatEndsAtOnce) {
  const RunCase &c = GetParam();
  Counts baseline;
  {
    DataDirectory directory(nullptr);
    ASSERT_TRUE(directory.ready());
    baseline = counted_run("0\n\n").counts;
  }
  DataDirectory directory(c.data.empty() ? nullptr : c.data.c_str());
  ASSERT_TRUE(directory.ready());
  if (!c.data.empty()) {
    const Counts stream = data_file_stream_cost();
    baseline.news += stream.news;
    baseline.mallocs += stream.mallocs;
  }
  const RunResult run = counted_run(c.typed, c.command);
  ASSERT_FALSE(run.overflowed) << "the output outgrew its storage";
  EXPECT_NE(run.output.find(c.shows), std::string::npos) << run.output;
  EXPECT_EQ(run.counts.news, baseline.news) << "operator new calls beyond the run that ends at once";
  RecordProperty("operator_new_calls", std::to_string(run.counts.news));
  RecordProperty("baseline_operator_new_calls", std::to_string(baseline.news));
#ifdef COUNTS_MALLOC
  EXPECT_EQ(run.counts.mallocs, baseline.mallocs) << "malloc calls beyond the run that ends at once";
  RecordProperty("malloc_calls", std::to_string(run.counts.mallocs));
  RecordProperty("baseline_malloc_calls", std::to_string(baseline.mallocs));
#endif
}

INSTANTIATE_TEST_SUITE_P(Runs, NoHeap, testing::ValuesIn(run_cases()),
                         [](const testing::TestParamInfo<RunCase> &info) { return info.param.name; });

// The counters themselves: every allocation form must be seen, or the test
// above would pass for a program that allocates.
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
