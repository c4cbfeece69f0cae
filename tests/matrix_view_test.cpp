// The matrix table: one field width for all elements, from the largest
// magnitude, and rows that never read past the stored elements.
#include "app/matrix_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/menu.h"

namespace {

std::string table_of(std::int32_t size_code, const std::vector<std::int32_t> &elements) {
  MatrixRecord record{};
  record[0] = size_code;
  for (std::size_t i = 0; i < elements.size(); ++i) record[i + 1] = elements[i];
  record[elements.size() + 1] = END_MARKER;
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out};
  print_matrix_table(record, console);
  return out.str();
}

struct TableCase {
  std::int32_t size_code;
  std::vector<std::int32_t> elements;
  const char *table;
};

class MatrixTable : public testing::TestWithParam<TableCase> {};

TEST_P(MatrixTable, RightAlignsInOneWidth) {
  const TableCase &c = GetParam();
  EXPECT_EQ(table_of(c.size_code, c.elements), c.table);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, MatrixTable,
    testing::Values(TableCase{202, {1, -2, 3, 4}, "  1 -2\n  3  4\n"},
                    TableCase{202, {1, 100, 3, 4}, "    1  100\n    3    4\n"},
                    TableCase{102, {0, 0}, " 0 0\n"},
                    TableCase{101, {9}, "  9\n"},
                    TableCase{101, {10}, "  10\n"},
                    TableCase{102, {9999999, -1}, "  9999999       -1\n"},
                    TableCase{101, {10000000}, "  10000000\n"},
                    TableCase{101, {999999999}, "  999999999\n"},
                    TableCase{101, {1000000000}, "  1000000000\n"},
                    TableCase{102, {2147483647, 1}, "  2147483647           1\n"},
                    TableCase{102, {7, INT32_MIN}, "           7 -2147483648\n"},
                    TableCase{102, {INT32_MIN, INT32_MIN}, " -2147483648 -2147483648\n"},
                    TableCase{102, {INT32_MIN, -2147483647}, " -2147483648 -2147483647\n"},
                    TableCase{300, {}, "\n\n\n"},
                    TableCase{5, {}, ""},
                    TableCase{0, {}, ""}));

// An output that keeps what had been written at each flush.
struct FlushRecorder : std::stringbuf {
  std::vector<std::string> flushed;
  int sync() override {
    flushed.push_back(str());
    return 0;
  }
};

// The table is on the screen while the determinant is computed, which can
// take a noticeable moment at order 12: some flush holds the table but no
// result.
TEST(ShowAndEvaluate, FlushesTheTableBeforeTheDeterminant) {
  std::istringstream in{"k\n2x2\n1 2 3 4\n\n"};
  FlushRecorder recorder;
  std::ostream out{&recorder};
  Console console{in, out};
  run_menu(console);
  const std::string table = "Matrix has the form:\n  1  2\n  3  4\n";
  EXPECT_TRUE(std::any_of(recorder.flushed.begin(), recorder.flushed.end(),
                          [&](const std::string &shown) { return shown.ends_with(table); }));
  EXPECT_TRUE(recorder.str().ends_with("Determinant value of the matrix is  -2\n"));
}

}  // namespace
