// The determinant of the square matrix in a record: the order check, and the
// choice between the permutation expansion and the division-free method.
#include "matrix/determinant.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "matrix/determinant_methods.h"

namespace {

// The limit the range message names.
constexpr int RANGE_MESSAGE_LIMIT = 1001;

SquareMatrix load_square_matrix(const MatrixRecord &record, int n) {
  SquareMatrix matrix{};
  std::size_t slot = 1;
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      matrix[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
          static_cast<std::uint32_t>(record[slot++]);
    }
  }
  return matrix;
}

// Formatted here rather than through the stream, so the caller's stream
// settings cannot change the text.
void write_range_message(int n, std::ostream &out) {
  const std::array<char, 64> message = range_message(n);
  out.write(message.data(), static_cast<std::streamsize>(std::strlen(message.data())));
  out.put('\n');
}

}  // namespace

std::array<char, 64> range_message(int n) {
  std::array<char, 64> message{};
  std::snprintf(message.data(), message.size(), "Input %d  not between limits  2 and %d", n, RANGE_MESSAGE_LIMIT);
  return message;
}

DeterminantMethod determinant_method(int n) {
  // Above MAX_DETERMINANT_ORDER the elements could not all be in the record.
  if (n < 2 || n > MAX_DETERMINANT_ORDER) return DeterminantMethod::out_of_range;
  return n <= EXPANSION_LIMIT ? DeterminantMethod::permutation_expansion : DeterminantMethod::division_free;
}

std::int32_t matrix_determinant(const MatrixRecord &record, std::ostream &out) {
  const int n = record_columns(record);
  const DeterminantMethod method = determinant_method(n);
  if (method == DeterminantMethod::out_of_range) {
    write_range_message(n, out);
    return 0;
  }
  const SquareMatrix matrix = load_square_matrix(record, n);
  const std::uint32_t value = method == DeterminantMethod::permutation_expansion
                                  ? permutation_expansion(matrix, n)
                                  : division_free_determinant(matrix, n);
  return static_cast<std::int32_t>(value);
}
